#pragma once

namespace veltrano {

// Asks the kernel to run the calling thread soon after each of its wake-ups, for a thread that
// sleeps most of the time and must keep a rhythm on a busy machine; false gives the thread back
// its default. Only what any process may ask for its own threads is used: a short time slice
// under Linux's EEVDF scheduler (6.12 on), which brings the thread's deadline forward when it
// wakes without giving it a larger share of the CPU. Where the kernel offers no such thing, or the
// thread has a scheduling policy of its own, nothing changes.
void SetPromptWakeUps(bool prompt) noexcept;

}  // namespace veltrano
