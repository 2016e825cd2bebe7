#pragma once

#include <QTimer>

#include <functional>
#include <string_view>

#include "platform/window_toolkit.h"

namespace veltrano {

// A periodic timer on Qt's precise timer. Qt keeps firing while a handler waits in a nested event
// loop (a modal box); such ticks are not run inside the handler but folded into one pending tick,
// delivered once the handler has returned.
class QtTimer final : public Timer {
 public:
  // The QTimer is a child of `owner`, named `name`; this object must not outlive `owner`.
  QtTimer(QObject* owner, std::string_view name, int intervalMs);

  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  int Interval() const override;
  void OnTimer(std::function<void()> handler) override;

 private:
  void Elapsed();
  void Tick();
  void DeliverPending();

  QTimer* timer_;
  std::function<void()> handler_;
  bool running_ = false;
  bool pending_ = false;
};

}  // namespace veltrano
