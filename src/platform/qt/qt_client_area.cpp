#include "platform/qt/qt_client_area.h"

#include <QPainter>
#include <QPen>

namespace veltrano {

QtClientArea::QtClientArea() = default;

void QtClientArea::AddLine(QLine line, Qt::PenStyle style) {
  segments_.push_back({line, style});
  update();
}

void QtClientArea::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  for (const Segment& segment : segments_) {
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1, segment.style));
    painter.drawLine(segment.line);
  }
}

}  // namespace veltrano
