#pragma once

#include <functional>
#include <thread>

namespace veltrano::simserver {

// Calls `stop` when SIGTERM or SIGINT arrives. The two signals are blocked in every thread and
// taken by a thread of this object's own, so no signal handler ever touches the program's state.
class SignalStopper {
 public:
  // Blocks the two signals in the calling thread and in every thread it starts later: call it
  // first thing in main, before any thread exists.
  static void BlockStopSignals();

  explicit SignalStopper(std::function<void()> stop);
  ~SignalStopper();
  SignalStopper(const SignalStopper&) = delete;
  SignalStopper& operator=(const SignalStopper&) = delete;

 private:
  std::function<void()> stop_;
  std::thread waiter_;
};

}  // namespace veltrano::simserver
