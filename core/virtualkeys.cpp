#include "core/virtualkeys.h"

namespace melodune {

int virtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers)
{
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    switch (qtKey) {
    case Qt::Key_Escape:
        return VkEscape;
    case Qt::Key_Space:
        return VkSpace;
    case Qt::Key_Plus:
        return keypad ? VkAdd : 0;
    case Qt::Key_Minus:
        return keypad ? VkSubtract : 0;
    default:
        break;
    }
    // Letters and digits have their ASCII upper-case code in both systems.
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey;
    return 0;
}

} // namespace melodune
