// On Windows the stop requests are the console's Ctrl+C, Ctrl+Break and close events. Closing the
// server's window (WM_CLOSE) stops it too; that is the server's own business.
#include "platform/win32/win32_api.h"

#include <atomic>
#include <functional>
#include <utility>

#include "signal_stopper.h"

namespace veltrano::simserver {

namespace {

// The console calls its handlers without any context of ours, so the stopper that is in charge
// is kept here; there is at most one per process.
std::atomic<const std::function<void()>*> activeStop = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD /*event*/) {
  if (const auto* stop = activeStop.load()) (*stop)();
  return TRUE;
}

}  // namespace

// Nothing to block: console events arrive on a thread of their own.
void SignalStopper::BlockStopSignals() {}

SignalStopper::SignalStopper(std::function<void()> stop) : stop_(std::move(stop)) {
  activeStop = &stop_;
  SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
}

SignalStopper::~SignalStopper() {
  SetConsoleCtrlHandler(&OnConsoleEvent, FALSE);
  activeStop = nullptr;
}

}  // namespace veltrano::simserver
