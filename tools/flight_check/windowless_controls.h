#pragma once

#include <memory>

#include "panel/panel_controls.h"

namespace veltrano::flight_check {

// The main window's controls without a window, for reading the settings file the way the window
// does. Each control holds its value and keeps the rules that the settings load relies on: a
// check box takes only 0 or 1, a scroll bar refuses a value outside its range, selecting a level
// clears the others of its group. They start as the window's design has them.
class WindowlessControls {
 public:
  WindowlessControls();
  ~WindowlessControls();
  WindowlessControls(const WindowlessControls&) = delete;
  WindowlessControls& operator=(const WindowlessControls&) = delete;

  PanelControls& controls() { return controls_; }

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
  PanelControls controls_;
};

}  // namespace veltrano::flight_check
