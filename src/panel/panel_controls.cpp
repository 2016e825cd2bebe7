#include "panel/panel_controls.h"

namespace veltrano {

PanelControls PanelControls::Find(Window& window, Timer& timer1) {
  auto option = [&window](const char* name) { return &window.Get<OptionButton>(name); };
  return PanelControls{
      .check1 = window.Get<CheckBox>("Check1"),
      .check2 = window.Get<CheckBox>("Check2"),
      .check3 = window.Get<CheckBox>("Check3"),
      .check4 = window.Get<CheckBox>("Check4"),
      .check5 = window.Get<CheckBox>("Check5"),
      .combo1 = window.Get<ComboBox>("Combo1"),
      .vScroll1 = window.Get<ScrollBar>("VScroll1"),
      .hScroll1 = window.Get<ScrollBar>("HScroll1"),
      .pitchLevels = {option("Option1"), option("Option2"), option("Option3"), option("Option4"),
                      option("Option5")},
      .rollLevels = {option("Option6"), option("Option7"), option("Option8"), option("Option9"),
                     option("Option10")},
      .command1 = window.Get<PushButton>("Command1"),
      .command2 = window.Get<PushButton>("Command2"),
      .timer1 = timer1,
  };
}

}  // namespace veltrano
