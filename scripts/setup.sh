#!/usr/bin/env bash
# Installs the system packages Melodune needs to build, run and test.
# Idempotent: only what is missing is installed.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config clang libclang-rt-14-dev
  qt6-base-dev libqt6opengl6-dev qt6-multimedia-dev qt6-translations-l10n
  libmpv-dev libpulse-dev libasound2-dev libasound2-plugins
  libmpg123-dev libmp3lame-dev librubberband-dev libsndfile1-dev
  libgtest-dev libx11-dev libxrandr-dev libxext-dev
  pulseaudio pulseaudio-utils xvfb xauth libgl1-mesa-dri fonts-noto-cjk
  desktop-file-utils xdg-utils libglib2.0-bin xdotool
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
