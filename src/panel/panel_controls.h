#pragma once

#include <array>

#include "platform/window_toolkit.h"

namespace veltrano {

// The controls of the main window that the settings file, START, STOP and the tick work with.
struct PanelControls {
  CheckBox& check1;                          // PITCHING
  CheckBox& check2;                          // ROLLING
  CheckBox& check3;                          // ACCELERATION
  CheckBox& check4;                          // SLIP
  CheckBox& check5;                          // VIBRATION
  ComboBox& combo1;                          // serial port number
  ScrollBar& vScroll1;                       // pitch centre, 255 at the top
  ScrollBar& hScroll1;                       // roll centre, 0 at the left
  std::array<OptionButton*, 5> pitchLevels;  // Option1..Option5: levels 1..5
  std::array<OptionButton*, 5> rollLevels;   // Option6..Option10: levels 1..5
  PushButton& command1;                      // START
  PushButton& command2;                      // STOP
  Timer& timer1;

  // Looks the controls up by name in a window built from the main window's design.
  static PanelControls Find(Window& window, Timer& timer1);
};

}  // namespace veltrano
