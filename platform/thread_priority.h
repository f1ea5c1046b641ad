// Background work that must never take the processor from the window: the
// engine's index builds run at the lowest priority the system has, so that
// on a machine with few cores a keystroke's own work is never queued behind
// them. A hint only: where the system has no such priority nothing happens.
#pragma once

namespace platform {

// Lowers the calling thread's priority to that of work done only when the
// processor is otherwise idle.
void RunCallingThreadWhenIdle();

}  // namespace platform
