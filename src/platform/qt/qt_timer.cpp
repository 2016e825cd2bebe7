#include "platform/qt/qt_timer.h"

#include <utility>

#include "platform/handler_running.h"
#include "platform/prompt_wake_ups.h"
#include "platform/qt/qt_units.h"

namespace veltrano {

QtTimer::QtTimer(QObject* owner, std::string_view name, int intervalMs)
    : alarm_(OpenDeadlineAlarm()),
      notifier_(new QSocketNotifier(alarm_->Descriptor(), QSocketNotifier::Read, owner)),
      interval_(intervalMs) {
  notifier_->setObjectName(ToQString(name));
  QObject::connect(notifier_, &QSocketNotifier::activated, notifier_, [this] { Woken(); });
}

bool QtTimer::Enabled() const { return enabled_; }

void QtTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  // While the ticks run, their thread wakes for every timer event and every answer of the data
  // server; each wake-up that waits behind other programs delays the packet.
  SetPromptWakeUps(enabled);
  if (enabled) {
    ArmFor(Clock::now() + interval_);
  } else {
    alarm_->Disarm();
  }
}

void QtTimer::OnTimer(std::function<void()> handler) { handler_ = std::move(handler); }

void QtTimer::ArmFor(Clock::time_point slot) {
  const Clock::time_point now = Clock::now();
  if (slot - now < interval_ / 2) {
    // On to the first slot at least half a period away; the ones before it are dropped.
    slot += interval_ * ((now + interval_ / 2 - slot) / interval_ + 1);
  }
  slot_ = slot;
  alarm_->ArmAt(slot_);
}

void QtTimer::Woken() {
  // The expiry is taken before the handler runs, so that the descriptor does not wake a nested
  // event loop again for the same slot.
  if (alarm_->TakeExpiry()) Elapsed();
}

void QtTimer::Elapsed() {
  if (!enabled_) return;
  ArmFor(slot_ + interval_);
  // A slot that comes while the handler waits in a nested event loop is dropped; the slot after
  // the handler returns brings the next tick.
  if (running_ || !handler_) return;
  {
    const HandlerRunning running(running_);
    handler_();
  }
  // A handler that ran long leaves the armed slot too close, or already passed.
  if (enabled_ && slot_ - Clock::now() < interval_ / 2) ArmFor(slot_);
}

}  // namespace veltrano
