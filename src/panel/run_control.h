#pragma once

#include "panel/panel_controls.h"
#include "panel/panel_state.h"
#include "platform/msg_box.h"
#include "platform/serial_port.h"

namespace veltrano {

// START and STOP: the window is either Stopped (START enabled, settings controls enabled, timer
// off, port closed) or Running (STOP enabled, settings controls locked, timer on, port open).
class RunControl {
 public:
  RunControl(PanelState& state, PanelControls& controls, SerialPort& port, MsgBox& boxes);

  // Takes the port number from the port box, opens the port, saves the settings, locks the
  // controls and starts the tick. Any failure shows "no port" and leaves the window Stopped with
  // the port closed and the previous settings file in place.
  void Start();

  // Stops the tick, closes the port and unlocks the controls.
  void Stop();

  // The port failed during a run (a device pulled out, a refused write): ends the run as STOP
  // does and shows "no port" once.
  void EndAfterPortFailure();

  bool Running() const;

 private:
  void SetSettingsControlsEnabled(bool enabled);
  void ShowNoPort();

  PanelState& state_;
  PanelControls& controls_;
  SerialPort& port_;
  MsgBox& boxes_;
};

}  // namespace veltrano
