#pragma once

#include <QWidget>

#include <memory>

#include "platform/window_toolkit.h"

namespace veltrano {

// A control of the window toolkit and the Qt widget that shows it. The widget belongs to its
// parent widget and goes with it; the control must not outlive it.
struct QtControlParts {
  std::unique_ptr<Control> control;
  QWidget* widget = nullptr;
};

// Makes the widget for `design` inside `parent` (the client area or a frame's group box), named,
// placed, lettered and in its initial state as designed.
QtControlParts MakeQtControl(const ControlDesign& design, QWidget* parent);

}  // namespace veltrano
