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
// happened to run, so a late tick does not shift the ones after it. A slot that comes while the
// handler runs, or waits in a nested event loop (a modal box), makes one tick due, which comes as
// soon as the handler has returned; the slots that pass meanwhile add no further ticks. Each slot
// is a deadline to the nanosecond on the steady clock, which the event loop watches through the
// alarm's descriptor: Qt's own timers count in whole milliseconds.
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
  // The slot the timer was armed for has come: a tick is due, and the next slot is the first
  // still ahead.
  void Reached();

  std::unique_ptr<DeadlineAlarm> alarm_;  // armed for one slot at a time
  QSocketNotifier* notifier_;
  std::chrono::milliseconds interval_;
  Clock::time_point slot_;  // the slot the timer is armed for
  bool enabled_ = false;
  std::function<void()> handler_;
  bool running_ = false;
  bool due_ = false;         // a slot has come and its tick has not run yet
  bool catchingUp_ = false;  // armed to bring a due tick, not for a slot
};

}  // namespace veltrano
