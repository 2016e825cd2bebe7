#pragma once

#include <QSocketNotifier>

#include <chrono>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/deadline_alarm.h"
#include "platform/window_toolkit.h"

namespace veltrano {

// A periodic timer on a fixed schedule: its slots lie a whole number of periods after
// SetEnabled(true), and it is armed for each slot from that schedule, never from when a handler
// happened to run, so a late tick does not shift the ones after it. A slot less than half a period
// away when the timer is armed, or when a handler returns, is dropped rather than crowded in: so
// a handler that runs long, or waits in a nested event loop (a modal box), is followed by one
// tick at the first slot at least half a period after it returns, and is never run inside itself.
// Each slot is a deadline to the nanosecond on the steady clock, which the event loop watches
// through the alarm's descriptor: Qt's own timers count in whole milliseconds.
class QtTimer final : public Timer {
 public:
  // The notifier that watches the alarm is a child of `owner`, named `name`; this object must not
  // outlive `owner`. Throws Error when the system has no alarm to give.
  QtTimer(QObject* owner, std::string_view name, int intervalMs);

  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  void OnTimer(std::function<void()> handler) override;

 private:
  using Clock = std::chrono::steady_clock;

  void Woken();
  void Elapsed();
  void ArmFor(Clock::time_point slot);

  std::unique_ptr<DeadlineAlarm> alarm_;  // armed for one slot at a time
  QSocketNotifier* notifier_;
  std::chrono::milliseconds interval_;
  Clock::time_point slot_;  // the slot the timer is armed for
  bool enabled_ = false;
  std::function<void()> handler_;
  bool running_ = false;
};

}  // namespace veltrano
