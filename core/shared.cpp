#include "core/shared.h"

namespace melodune {

SharedState& shared()
{
    static SharedState s;
    return s;
}

} // namespace melodune
