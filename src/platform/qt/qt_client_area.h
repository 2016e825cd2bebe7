#pragma once

#include <QLine>
#include <QWidget>

#include <vector>

namespace veltrano {

// The window's client area: the parent of every control, and the canvas of the straight lines,
// which lie beneath the controls.
class QtClientArea final : public QWidget {
 public:
  QtClientArea();

  // A segment in pixels, in the default line colour and width.
  void AddLine(QLine line, Qt::PenStyle style);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Segment {
    QLine line;
    Qt::PenStyle style;
  };
  std::vector<Segment> segments_;
};

}  // namespace veltrano
