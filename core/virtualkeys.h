#pragma once
// The key codes the windows' key handlers take: the window system's virtual
// key codes, letters upper case.
#include <Qt>

namespace melodune {

enum VirtualKey : int {
    VkEscape = 27,
    VkSpace = 32,
    VkC = 67,
    VkD = 68,
    VkF = 70,
    VkH = 72,
    VkK = 75,
    VkAdd = 107,      // + of the numeric keypad
    VkSubtract = 109, // - of the numeric keypad
};

// The virtual key code of a Qt key (0 for keys without one here).
int virtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);

} // namespace melodune
