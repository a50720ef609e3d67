#pragma once
// Scheduling of the program's worker threads.

namespace platform {

// Gives the calling thread a smaller share of a busy processor than the GUI thread (its nice value
// raised by four, at most to 19), so that a window being painted is not kept waiting behind
// background decoding when other programs load the machine. Affects the calling thread only; a
// thread cannot take the share back, so call it at the start of a worker thread. Returns false when
// the system refused.
bool lowerThisThreadsShare();

}  // namespace platform
