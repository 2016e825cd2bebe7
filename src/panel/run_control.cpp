#include "panel/run_control.h"

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "panel/settings_file.h"
#include "panel/whole_number.h"
#include "protocol/box_title.h"

namespace veltrano {
namespace {

constexpr std::string_view kLineSettings = "19200,N,8,1";

}  // namespace

RunControl::RunControl(PanelState& state, PanelControls& controls, SerialPort& port, MsgBox& boxes)
    : state_(state), controls_(controls), port_(port), boxes_(boxes) {}

bool RunControl::Running() const { return controls_.timer1.Enabled(); }

void RunControl::Start() {
  const auto number = ParseWholeNumber(controls_.combo1.Text());
  if (!number) {
    ShowNoPort();
    return;
  }
  state_.comPort = *number;
  try {
    port_.SetCommPort(state_.comPort);
    port_.SetSettings(kLineSettings);
    port_.SetPortOpen(true);
    SaveSettings(state_, controls_);
  } catch (const std::exception&) {
    // A run that cannot start gives the port back; the settings file is still the previous one.
    try {
      if (port_.PortOpen()) port_.SetPortOpen(false);
    } catch (const std::exception&) {
    }
    ShowNoPort();
    return;
  }
  controls_.command1.SetEnabled(false);
  controls_.command2.SetEnabled(true);
  SetSettingsControlsEnabled(false);
  controls_.timer1.SetEnabled(true);
}

void RunControl::Stop() {
  controls_.timer1.SetEnabled(false);
  controls_.command1.SetEnabled(true);
  port_.SetPortOpen(false);
  controls_.command2.SetEnabled(false);
  SetSettingsControlsEnabled(true);
}

void RunControl::EndAfterPortFailure() {
  if (!Running()) return;
  try {
    Stop();
  } catch (const std::exception&) {
    // Closing a port that has already failed may fail too; the run is over either way.
    controls_.command2.SetEnabled(false);
    SetSettingsControlsEnabled(true);
  }
  ShowNoPort();
}

void RunControl::SetSettingsControlsEnabled(bool enabled) {
  for (Control* control : std::initializer_list<Control*>{
           &controls_.check1, &controls_.check2, &controls_.check3, &controls_.check4,
           &controls_.check5, &controls_.combo1, &controls_.vScroll1, &controls_.hScroll1}) {
    control->SetEnabled(enabled);
  }
  for (OptionButton* option : controls_.pitchLevels) option->SetEnabled(enabled);
  for (OptionButton* option : controls_.rollLevels) option->SetEnabled(enabled);
}

void RunControl::ShowNoPort() { boxes_.Show("no port", kOkOnly, kBoxTitle); }

}  // namespace veltrano
