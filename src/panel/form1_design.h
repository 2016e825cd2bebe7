#pragma once

#include <span>
#include <string_view>

#include "platform/window_toolkit.h"

namespace veltrano {

// The main window as designed: every control with its name, kind, caption, position and size in
// twips, font, tab order and initial state; the line segments of the four panels and the divider;
// the tick timer.
struct Form1Design {
  WindowDesign window;
  std::span<const ControlDesign> controls;  // containers before the controls they hold
  std::span<const LineDesign> lines;
  std::string_view timerName;
  int timerIntervalMs = 0;
};

const Form1Design& Form1Layout();

}  // namespace veltrano
