#pragma once
// The program's icon: the PNGs shipped in res/icons, one per size that
// desktops ask for (task bar, window list, menus, file manager).
#include <QIcon>
#include <QString>
#include <array>

namespace rt {

inline constexpr std::array<int, 7> ProgramIconSizes = {16, 24, 32, 48, 64, 128, 256};

// resDir & "/icons/melodune-" & size & ".png".
QString programIconPath(const QString& resDir, int size);
// Every shipped size that is present; a null icon when none is.
QIcon programIcon(const QString& resDir);

} // namespace rt
