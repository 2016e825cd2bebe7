#pragma once

#include <chrono>
#include <memory>

#include "link/link_protocol.h"
#include "link/variable_readers.h"
#include "panel/panel_controls.h"
#include "panel/panel_state.h"
#include "panel/run_control.h"
#include "platform/clock.h"
#include "platform/link_transport.h"
#include "platform/serial_port.h"
#include "platform/window_toolkit.h"

namespace veltrano {

// The program's one window. Building it loads it: the port list is filled and the settings are
// restored from the working directory, and the window is Stopped.
class Form1 {
 public:
  // `answerWait`: how long each tick waits for its answers (see kTickAnswerWait).
  Form1(WindowToolkit& toolkit, std::unique_ptr<SerialPort> mscomm1, LinkTransport& link,
        Clock& clock, std::chrono::milliseconds answerWait = kTickAnswerWait);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  void Show();

  Window& window() { return *window_; }
  PanelState& state() { return state_; }
  PanelControls& controls() { return controls_; }

 private:
  void Form_Load();
  void Check1_Click();
  void Check2_Click();
  void Check3_Click();
  void Check4_Click();
  void Command1_Click();
  void Command2_Click();
  void Timer1_Timer();
  void EndAfterPortFailure();

  std::unique_ptr<Window> window_;
  std::unique_ptr<SerialPort> mscomm1_;
  PanelState state_;
  PanelControls controls_;
  LinkClient link_;
  VariableReaders readers_;
  Clock& clock_;
  RunControl run_;
};

}  // namespace veltrano
