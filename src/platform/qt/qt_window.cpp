#include "platform/qt/qt_window.h"

#include <QGroupBox>
#include <QPixmap>

#include <algorithm>
#include <utility>

#include "platform/error.h"
#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_units.h"

namespace veltrano {

QtWindow::QtWindow(const WindowDesign& design)
    : client_(std::make_unique<QtClientArea>()), msgBox_(client_.get()) {
  client_->setObjectName(ToQString(design.name));
  client_->setWindowTitle(ToQString(design.caption));
  client_->setFixedSize(TwipsToPixels(design.clientWidth), TwipsToPixels(design.clientHeight));
  client_->setFont(ToQFont(design.font));
}

QtWindow::~QtWindow() = default;

Control& QtWindow::Add(const ControlDesign& design) {
  controls_.RefuseTaken(design.name);
  QtControlParts parts = MakeQtControl(design, ContainerFor(design));
  return *controls_.Insert(design.name, {std::move(parts.control), parts.widget, design.tabIndex})
              .control;
}

QWidget* QtWindow::ContainerFor(const ControlDesign& design) {
  if (design.container.empty()) return client_.get();
  const Entry* found = controls_.Lookup(design.container);
  auto* frame = found == nullptr ? nullptr : qobject_cast<QGroupBox*>(found->widget);
  if (frame == nullptr) {
    throw Error("No frame named " + std::string(design.container) + " to hold " +
                std::string(design.name));
  }
  return frame;
}

void QtWindow::AddLine(const LineDesign& design) {
  const QLine line(TwipsToPixels(design.x1), TwipsToPixels(design.y1), TwipsToPixels(design.x2),
                   TwipsToPixels(design.y2));
  client_->AddLine(line, design.borderStyle == 1 ? Qt::SolidLine : Qt::DotLine);
}

Timer& QtWindow::AddTimer(std::string_view name, int intervalMs) {
  timers_.RefuseTaken(name);
  return *timers_.Insert(name, std::make_unique<QtTimer>(client_.get(), name, intervalMs));
}

Control& QtWindow::Find(std::string_view name) { return *controls_.Find(name).control; }

MsgBox& QtWindow::MessageBoxes() { return msgBox_; }

std::vector<QWidget*> QtWindow::FocusOrder() const {
  std::vector<const Entry*> order;
  for (const auto& [name, entry] : controls_) {
    // Labels and frames hold a place in the order but never take the focus.
    if ((entry.widget->focusPolicy() & Qt::TabFocus) != 0) order.push_back(&entry);
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const Entry* a, const Entry* b) { return a->tabIndex < b->tabIndex; });
  std::vector<QWidget*> widgets;
  for (const Entry* entry : order) widgets.push_back(entry->widget);
  return widgets;
}

void QtWindow::Show() {
  const std::vector<QWidget*> order = FocusOrder();
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
  client_->show();
  auto first = std::find_if(order.begin(), order.end(),
                            [](const QWidget* widget) { return widget->isEnabled(); });
  if (first != order.end()) (*first)->setFocus(Qt::ActiveWindowFocusReason);
  client_->activateWindow();
}

void QtWindow::SavePicture(const std::string& pngPath) {
  const QPixmap picture = client_->grab();
  if (!picture.save(QString::fromStdString(pngPath), "PNG")) {
    throw Error("Cannot write the picture " + pngPath);
  }
}

}  // namespace veltrano
