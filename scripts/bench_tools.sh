# Sourced by the benchmark scripts: installs with apt-get the Debian tools a
# benchmark compares with or drives, when missing.
#   bench_tools COMMAND:PACKAGE ...   (COMMAND a name on PATH or a full path)
bench_tools() {
  local missing=() pair cmd
  for pair in "$@"; do
    cmd=${pair%%:*}
    if [[ $cmd == /* ]]; then [ -x "$cmd" ] && continue
    else command -v "$cmd" >/dev/null && continue
    fi
    missing+=("${pair#*:}")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
  echo "Installing for the benchmark: ${missing[*]}" >&2
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
