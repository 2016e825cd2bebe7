#pragma once

#include <signal.h>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace veltrano::virtual_platform {

// Lets SIGINT, SIGTERM and SIGHUP end the program in an orderly way, so that the link goes and
// the picture is saved: the signals stay blocked and arrive as readable data on a descriptor that
// the event loop watches. A reader of the output that goes away shows as a failed write instead
// of SIGPIPE.
class EndingSignals {
 public:
  // Must come before any thread starts, so that every thread keeps the signals blocked. Raises
  // veltrano::Error when the descriptor cannot be had.
  EndingSignals();
  ~EndingSignals();
  EndingSignals(const EndingSignals&) = delete;
  EndingSignals& operator=(const EndingSignals&) = delete;

  // Calls `onArrival` from the event loop when one of the signals comes. Needs the application
  // object.
  void Watch(std::function<void()> onArrival);

 private:
  int descriptor_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace veltrano::virtual_platform
