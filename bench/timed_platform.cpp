#include "timed_platform.h"

#include <QTimer>

#include <map>
#include <utility>

namespace veltrano::bench {
namespace {

// Notes the moment the timer event reaches the handler, before the handler runs.
class TimedTimer final : public Timer {
 public:
  TimedTimer(Timer& timer, TickLog& log) : timer_(timer), log_(log) {}
  bool Enabled() const override { return timer_.Enabled(); }
  void SetEnabled(bool enabled) override { timer_.SetEnabled(enabled); }
  void OnTimer(std::function<void()> handler) override {
    timer_.OnTimer([this, handler = std::move(handler)] {
      log_.TimerEvent();
      handler();
    });
  }

 private:
  Timer& timer_;
  TickLog& log_;
};

class TimedWindow final : public Window {
 public:
  TimedWindow(std::unique_ptr<Window> window, TickLog& log)
      : window_(std::move(window)), log_(log) {}

  Control& Add(const ControlDesign& design) override { return window_->Add(design); }
  void AddLine(const LineDesign& design) override { window_->AddLine(design); }
  Timer& AddTimer(std::string_view name, int intervalMs) override {
    auto timed = std::make_unique<TimedTimer>(window_->AddTimer(name, intervalMs), log_);
    return *timers_.emplace(std::string(name), std::move(timed)).first->second;
  }
  Control& Find(std::string_view name) override { return window_->Find(name); }
  MsgBox& MessageBoxes() override { return window_->MessageBoxes(); }
  void Show() override { window_->Show(); }
  void SavePicture(const std::string& pngPath) override { window_->SavePicture(pngPath); }

 private:
  std::unique_ptr<Window> window_;
  TickLog& log_;
  std::map<std::string, std::unique_ptr<TimedTimer>> timers_;
};

}  // namespace

void TickLog::WhenDone(std::size_t afterTicks, std::function<void()> afterwards) {
  doneAfter_ = afterTicks;
  done_ = std::move(afterwards);
  ticks_.reserve(afterTicks);
}

void TickLog::Output() {
  ticks_.push_back({pending_, BenchClock::now()});
  // Not from inside the tick: the handler that ends the run must not run inside the one it ends.
  if (ticks_.size() == doneAfter_ && done_) QTimer::singleShot(0, std::exchange(done_, {}));
}

std::unique_ptr<Window> TimedToolkit::NewWindow(const WindowDesign& design) {
  return std::make_unique<TimedWindow>(toolkit_.NewWindow(design), log_);
}

}  // namespace veltrano::bench
