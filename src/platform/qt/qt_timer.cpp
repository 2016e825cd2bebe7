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
    due_ = catchingUp_ = false;
    slot_ = Clock::now() + interval_;
    alarm_->ArmAt(slot_);
  } else {
    alarm_->Disarm();
  }
}

void QtTimer::OnTimer(std::function<void()> handler) { handler_ = std::move(handler); }

void QtTimer::Woken() {
  // The expiry is taken before the handler runs, so that the descriptor does not wake a nested
  // event loop again for the same slot.
  if (alarm_->TakeExpiry()) Elapsed();
}

void QtTimer::Elapsed() {
  if (!enabled_) return;
  // Armed for a slot, the alarm tells that the slot has come; armed for a tick that was due
  // already, it only brings that tick.
  if (!catchingUp_) Reached();
  catchingUp_ = false;
  alarm_->ArmAt(slot_);
  if (!due_ || running_ || !handler_) return;  // a due tick waits for the running one to end
  due_ = false;
  {
    const HandlerRunning running(running_);
    handler_();
  }
  if (!enabled_) return;
  if (Clock::now() >= slot_) Reached();  // the handler ran past a slot
  // A tick that fell due meanwhile comes now, through the event loop, so that what waited
  // behind the handler (a STOP, say) comes first.
  if (due_) {
    catchingUp_ = true;
    alarm_->ArmAt(Clock::now());
  }
}

void QtTimer::Reached() {
  due_ = true;
  // On to the first slot still ahead: the ones that have passed add no ticks of their own.
  slot_ += interval_;
  if (const Clock::time_point now = Clock::now(); slot_ <= now) {
    slot_ += interval_ * ((now - slot_) / interval_ + 1);
  }
}

}  // namespace veltrano
