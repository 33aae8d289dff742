#pragma once
// Long work on a thread of its own while the window keeps answering.
#include <functional>

class QObject;

namespace rt {

// Runs `work` on a thread of its own and returns at once; `then` runs
// afterwards on `context`'s thread, from its event loop. Other handlers may
// have run meanwhile: `then` checks whether its result is still wanted.
// When `context` goes first, `then` never runs and the going waits for the
// work, so nothing it writes outlives the context. `work` must touch no
// widget. From the start until just after `then`, the context has a child
// named "runAside".
void runAside(QObject* context, std::function<void()> work, std::function<void()> then);

} // namespace rt
