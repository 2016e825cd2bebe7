#include "panel/main_window.h"

#include <string>

#include "cueing/tick_packet.h"
#include "panel/form1_design.h"
#include "panel/settings_file.h"

namespace veltrano {
namespace {

std::unique_ptr<Window> BuildWindow(WindowToolkit& toolkit) {
  const Form1Design& design = Form1Layout();
  auto window = toolkit.NewWindow(design.window);
  for (const ControlDesign& control : design.controls) window->Add(control);
  for (const LineDesign& line : design.lines) window->AddLine(line);
  return window;
}

// Ticking one way of moving an axis clears the other way; clearing a box changes nothing else.
void ClearPartnerWhenTicked(const CheckBox& box, CheckBox& partner) {
  if (box.Value() == 1) partner.SetValue(0);
}

}  // namespace

Form1::Form1(WindowToolkit& toolkit, std::unique_ptr<SerialPort> mscomm1, LinkTransport& link,
             Clock& clock, std::chrono::milliseconds answerWait)
    : window_(BuildWindow(toolkit)),
      mscomm1_(std::move(mscomm1)),
      controls_(PanelControls::Find(
          *window_, window_->AddTimer(Form1Layout().timerName, Form1Layout().timerIntervalMs))),
      link_(link),
      readers_(link_, window_->MessageBoxes(), answerWait),
      clock_(clock),
      run_(state_, controls_, *mscomm1_, window_->MessageBoxes()) {
  controls_.check1.OnClick([this] { Check1_Click(); });
  controls_.check2.OnClick([this] { Check2_Click(); });
  controls_.check3.OnClick([this] { Check3_Click(); });
  controls_.check4.OnClick([this] { Check4_Click(); });
  controls_.command1.OnClick([this] { Command1_Click(); });
  controls_.command2.OnClick([this] { Command2_Click(); });
  controls_.timer1.OnTimer([this] { Timer1_Timer(); });
  mscomm1_->OnFailure([this] { EndAfterPortFailure(); });
  Form_Load();
}

void Form1::Show() { window_->Show(); }

void Form1::Form_Load() {
  for (int port = 1; port <= 8; ++port) controls_.combo1.AddItem(std::to_string(port));
  LoadSettings(state_, controls_);
}

void Form1::Check1_Click() { ClearPartnerWhenTicked(controls_.check1, controls_.check3); }
void Form1::Check2_Click() { ClearPartnerWhenTicked(controls_.check2, controls_.check4); }
void Form1::Check3_Click() { ClearPartnerWhenTicked(controls_.check3, controls_.check1); }
void Form1::Check4_Click() { ClearPartnerWhenTicked(controls_.check4, controls_.check2); }

void Form1::Command1_Click() { run_.Start(); }
void Form1::Command2_Click() {
  run_.Stop();
  // Answers that a slow server still owes are not read by any later tick of this run.
  readers_.EndRun();
}

void Form1::EndAfterPortFailure() {
  run_.EndAfterPortFailure();
  if (!run_.Running()) readers_.EndRun();
}

void Form1::Timer1_Timer() {
  const EffectBoxes effects{controls_.check1, controls_.check2, controls_.check3, controls_.check4,
                            controls_.check5};
  try {
    RunTick(state_, readers_, effects, clock_, *mscomm1_);
  } catch (const std::exception&) {
    // Only the port write can fail here (the readers handle their own failures).
    EndAfterPortFailure();
  }
}

}  // namespace veltrano
