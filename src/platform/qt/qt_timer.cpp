#include "platform/qt/qt_timer.h"

#include <utility>

#include "platform/qt/qt_units.h"

namespace veltrano {

QtTimer::QtTimer(QObject* owner, std::string_view name, int intervalMs)
    : timer_(new QTimer(owner)) {
  timer_->setObjectName(ToQString(name));
  timer_->setTimerType(Qt::PreciseTimer);
  timer_->setInterval(intervalMs);
  QObject::connect(timer_, &QTimer::timeout, timer_, [this] { Elapsed(); });
}

bool QtTimer::Enabled() const { return timer_->isActive(); }

void QtTimer::SetEnabled(bool enabled) {
  if (!enabled) {
    timer_->stop();
    pending_ = false;
  } else if (!timer_->isActive()) {
    timer_->start();
  }
}

int QtTimer::Interval() const { return timer_->interval(); }

void QtTimer::OnTimer(std::function<void()> handler) { handler_ = std::move(handler); }

void QtTimer::Elapsed() {
  if (running_) {
    pending_ = true;
    return;
  }
  Tick();
}

void QtTimer::Tick() {
  pending_ = false;
  if (handler_) {
    running_ = true;
    struct Finished {
      bool& running;
      ~Finished() { running = false; }
    } finished{running_};
    handler_();
  }
  // Queued rather than run here, so that the events that waited behind the handler are handled
  // first; one of them may switch the timer off, which drops the pending tick.
  if (pending_) QTimer::singleShot(0, timer_, [this] { DeliverPending(); });
}

void QtTimer::DeliverPending() {
  if (pending_ && !running_ && timer_->isActive()) Tick();
}

}  // namespace veltrano
