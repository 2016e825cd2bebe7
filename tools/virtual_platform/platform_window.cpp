#include "platform_window.h"

#include <QPainter>
#include <QPixmap>
#include <chrono>

#include "platform/error.h"
#include "platform_drawing.h"

namespace veltrano::virtual_platform {

PlatformWindow::PlatformWindow(PlatformState& state, const std::string& title) : state_(state) {
  setWindowTitle(QString::fromStdString(title));
  setMinimumSize(kDefaultSize * 3 / 4);
  resize(kDefaultSize);
  connect(&refresh_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
  refresh_.start(std::chrono::milliseconds(33));
}

void PlatformWindow::paintEvent(QPaintEvent*) {
  const auto now = PlatformState::Clock::now();
  state_.AdvanceTo(now);
  QPainter painter(this);
  DrawPlatform(painter, rect(), state_, now);
}

void PlatformWindow::SavePicture(const std::string& pngPath) {
  if (!grab().save(QString::fromStdString(pngPath), "PNG")) {
    throw Error("cannot write the picture " + pngPath);
  }
}

}  // namespace veltrano::virtual_platform
