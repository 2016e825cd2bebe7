#pragma once

#include <QTimer>

#include <chrono>
#include <functional>
#include <string_view>

#include "platform/window_toolkit.h"

namespace veltrano {

// A periodic timer on a fixed schedule: its slots lie a whole number of periods after
// SetEnabled(true), and it is armed for each slot from that schedule, never from when a handler
// happened to run, so a late tick does not shift the ones after it. A slot less than half a period
// away when the timer is armed, or when a handler returns, is dropped rather than crowded in: so
// a handler that runs long, or waits in a nested event loop (a modal box), is followed by one
// tick at the first slot at least half a period after it returns, and is never run inside itself.
class QtTimer final : public Timer {
 public:
  // The QTimer is a child of `owner`, named `name`; this object must not outlive `owner`.
  QtTimer(QObject* owner, std::string_view name, int intervalMs);

  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  void OnTimer(std::function<void()> handler) override;

 private:
  using Clock = std::chrono::steady_clock;

  void Elapsed();
  void ArmFor(Clock::time_point slot);

  QTimer* timer_;  // single-shot, armed for one slot at a time
  std::chrono::milliseconds interval_;
  Clock::time_point slot_;  // the slot the timer is armed for
  bool enabled_ = false;
  std::function<void()> handler_;
  bool running_ = false;
};

}  // namespace veltrano
