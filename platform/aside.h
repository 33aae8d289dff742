#pragma once
// Long work on a thread of its own while the window keeps answering.
#include <functional>

namespace rt {

// Runs `work` on a thread of its own and lets the calling (window) thread's
// events run until it is done. Other handlers may run meanwhile: the caller
// checks afterwards whether its result is still wanted. `work` must touch no
// widget.
void runAside(const std::function<void()>& work);

} // namespace rt
