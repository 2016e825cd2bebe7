// The main window on the Win32 toolkit, driven as a person drives it: mouse messages to the
// native controls, the timer's ticks through the window's own message queue.

#include <gtest/gtest.h>

#include "platform/win32/win32_api.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "panel/form1_design.h"
#include "panel/main_window.h"
#include "platform/error.h"
#include "platform/win32/win32_link_transport.h"
#include "platform/win32/win32_serial_port.h"
#include "platform/win32/win32_system_clock.h"
#include "platform/win32/win32_toolkit.h"
#include "platform/win32/win32_window.h"
#include "tests/support/recording_serial_port.h"

namespace veltrano {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

// Closes every message box as it opens and keeps "title: text" of each.
class BoxRecorder {
 public:
  BoxRecorder() : hook_(SetWindowsHookExA(WH_CBT, &Opened, nullptr, GetCurrentThreadId())) {
    seen_ = &boxes;
  }
  ~BoxRecorder() { UnhookWindowsHookEx(hook_); }
  std::vector<std::string> boxes;

 private:
  static LRESULT CALLBACK Opened(int code, WPARAM wParam, LPARAM lParam) {
    const auto box = reinterpret_cast<HWND>(wParam);
    char kind[16] = {}, title[64] = {}, text[256] = {};
    if (code == HCBT_ACTIVATE && GetClassNameA(box, kind, sizeof kind) &&
        kind == std::string("#32770")) {
      GetWindowTextA(box, title, sizeof title);
      // The prompt is the box's one static text without an icon.
      for (HWND item = GetWindow(box, GW_CHILD); item; item = GetWindow(item, GW_HWNDNEXT)) {
        if (GetClassNameA(item, kind, sizeof kind) && kind == std::string("Static") && !text[0]) {
          GetWindowTextA(item, text, sizeof text);
        }
      }
      seen_->push_back(std::string(title) + ": " + text);
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static inline std::vector<std::string>* seen_ = nullptr;
  HHOOK hook_;
};

class Win32WindowTest : public ::testing::Test {
 protected:
  Win32WindowTest() {
    std::filesystem::current_path(directory_);
    auto port = std::make_unique<testing::RecordingSerialPort>();
    port_ = port.get();
    form_ = std::make_unique<Form1>(toolkit_, std::move(port), link_, clock_);
    form_->Show();
  }
  ~Win32WindowTest() override {
    form_.reset();
    std::filesystem::current_path(directory_.parent_path());
    std::filesystem::remove_all(directory_);
  }

  HWND Handle(std::string_view name) { return Window().HandleOf(name); }
  Win32Window& Window() { return dynamic_cast<Win32Window&>(form_->window()); }

  void Click(std::string_view name) {
    RECT area{};
    GetClientRect(Handle(name), &area);
    const LPARAM middle = MAKELPARAM(area.right / 2, area.bottom / 2);
    SendMessageA(Handle(name), WM_LBUTTONDOWN, MK_LBUTTON, middle);
    SendMessageA(Handle(name), WM_LBUTTONUP, 0, middle);
  }

  // The check boxes as 0s and 1s, then the enabled state of START, STOP and the settings.
  std::string Shown() {
    std::string shown;
    for (const char* box : {"Check1", "Check2", "Check3", "Check4", "Check5"}) {
      shown += SendMessageA(Handle(box), BM_GETCHECK, 0, 0) == BST_CHECKED ? '1' : '0';
    }
    shown += std::string(" ") + (IsWindowEnabled(Handle("Command1")) ? "start" : "-") + " " +
             (IsWindowEnabled(Handle("Command2")) ? "stop" : "-") + " ";
    for (const ControlDesign& control : Form1Layout().controls) {
      if (control.kind != ControlKind::Label && control.kind != ControlKind::Frame &&
          control.kind != ControlKind::PushButton) {
        shown += IsWindowEnabled(Handle(control.name)) ? 'E' : 'd';
      }
    }
    return shown;
  }

  // Handles the window's messages until `writes` packets have gone out or `limit` has passed;
  // gives the milliseconds between the packets seen.
  std::vector<double> PumpUntil(std::size_t writes, std::chrono::milliseconds limit) {
    std::vector<double> gaps;
    auto last = std::chrono::steady_clock::now();
    const auto deadline = last + limit;
    std::size_t seen = port_->writes.size();
    while (port_->writes.size() < writes && std::chrono::steady_clock::now() < deadline) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
      MSG message{};
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
      if (port_->writes.size() != seen) {
        const auto now = std::chrono::steady_clock::now();
        if (seen != 0)
          gaps.push_back(std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
        seen = port_->writes.size();
      }
    }
    return gaps;
  }

  std::filesystem::path directory_ = std::filesystem::temp_directory_path() /
                                     ("veltrano-window-" + std::to_string(GetCurrentProcessId()));
  bool made_ = std::filesystem::create_directories(directory_);
  Win32Toolkit toolkit_;
  Win32LinkTransport link_;
  Win32SystemClock clock_;
  testing::RecordingSerialPort* port_ = nullptr;
  std::unique_ptr<Form1> form_;
};

TEST_F(Win32WindowTest, ControlsStandWhereDesignedWithTheirCaptions) {
  ASSERT_EQ(toolkit_.Units().DotsPerInch(), 96);  // 15 twips a pixel
  RECT client{};
  GetClientRect(Window().Handle(), &client);
  EXPECT_EQ(client.right, 535);
  EXPECT_EQ(client.bottom, 438);
  char caption[64] = {};
  GetWindowTextA(Window().Handle(), caption, sizeof caption);
  EXPECT_STREQ(caption, "VELTRANO");
  RECT frame{};
  for (const ControlDesign& control : Form1Layout().controls) {
    RECT at{};
    GetWindowRect(Handle(control.name), &at);
    MapWindowPoints(nullptr, Window().Handle(), reinterpret_cast<POINT*>(&at), 2);
    const RECT inside = control.container.empty() ? RECT{} : frame;
    EXPECT_EQ(at.left - inside.left, MulDiv(control.left, 1, 15)) << control.name;
    EXPECT_EQ(at.top - inside.top, MulDiv(control.top, 1, 15)) << control.name;
    EXPECT_EQ(at.right - at.left, MulDiv(control.width, 1, 15)) << control.name;
    EXPECT_EQ(at.bottom - at.top, MulDiv(control.height, 1, 15)) << control.name;
    if (control.kind == ControlKind::Frame) frame = at;
    GetWindowTextA(Handle(control.name), caption, sizeof caption);
    if (control.kind != ControlKind::ComboBox) {
      EXPECT_EQ(caption, control.caption);
    }
  }
  // The picture: a PNG of the client area, stored uncompressed, 535 x 438 pixels of 3 bytes.
  Window().SavePicture("window.png");
  std::ifstream png("window.png", std::ios::binary);
  const std::string bytes = (std::stringstream() << png.rdbuf()).str();
  EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(bytes.substr(16, 8), "\0\0\x02\x17\0\0\x01\xB6"s);  // width 535, height 438
  EXPECT_GT(bytes.size(), 438u * (1 + 535 * 3));
}

TEST_F(Win32WindowTest, ClicksTickOneOfAPairAndClearTheOtherAndSelectOneLevelPerFrame) {
  EXPECT_EQ(Shown().substr(0, 5), "11001");  // the defaults
  for (const auto& [box, after] : {std::pair{"Check3", "01101"},
                                   {"Check1", "11001"},
                                   {"Check4", "10011"},
                                   {"Check2", "11001"},
                                   {"Check5", "11000"},
                                   {"Check1", "01000"}}) {
    Click(box);
    EXPECT_EQ(Shown().substr(0, 5), after) << box;
  }
  form_->controls().check4.SetValue(1);  // a change by the program is told as well
  EXPECT_EQ(Shown().substr(0, 5), "00010");
  Click("Option7");
  std::string levels;
  for (int i = 1; i <= 10; ++i) {
    levels += SendMessageA(Handle("Option" + std::to_string(i)), BM_GETCHECK, 0, 0) ? '1' : '0';
  }
  EXPECT_EQ(levels, "0010001000");
}

TEST_F(Win32WindowTest, StartLocksTheSettingsAndTicksSendPacketsUntilStop) {
  const std::string stopped = "11001 start - EEEEEEEEEEEEEEEEEE";
  ASSERT_EQ(Shown(), stopped);
  Click("Command1");
  EXPECT_EQ(Shown(), "11001 - stop dddddddddddddddddd");
  std::ifstream saved("SETUPSIM.CAP", std::ios::binary);
  EXPECT_EQ((std::stringstream() << saved.rdbuf()).str(),
            "1\r\n1\r\n0\r\n0\r\n1\r\n 1 \r\n 127 \r\n 128 \r\n 3 \r\n 3 \r\n");

  std::vector<double> gaps = PumpUntil(41, 20s);
  ASSERT_EQ(port_->writes.size(), 41u);
  // No server: the readers give 0, and PITCHING, ROLLING and VIBRATION are on.
  for (const std::string& packet : port_->writes)
    EXPECT_EQ(packet, "X\x80\x7F\x00\x80\x80\x03\x03"s);
  std::sort(gaps.begin(), gaps.end());
  std::printf(
      "tick interval under the window's own messages: median %.2f ms, p99 %.2f ms, "
      "max %.2f ms\n",
      gaps[gaps.size() / 2], gaps[gaps.size() * 99 / 100], gaps.back());

  Click("Command2");
  EXPECT_EQ(Shown(), stopped);
  PumpUntil(42, 200ms);
  EXPECT_EQ(port_->writes.size(), 41u);  // nothing after STOP
}

TEST_F(Win32WindowTest, AMissingPortSaysNoPortOnceAndTheWindowStaysStopped) {
  Win32SerialPort port;  // the real one, on a port number no machine has
  EXPECT_THROW(port.SetSettings("19200,X,8,1"), Error);
  port.SetCommPort(255);
  EXPECT_THROW(port.SetPortOpen(true), Error);
  EXPECT_THROW(port.Output("X"), Error);

  auto real = std::make_unique<Win32SerialPort>();
  form_.reset();
  form_ = std::make_unique<Form1>(toolkit_, std::move(real), link_, clock_);
  form_->Show();
  BoxRecorder recorder;
  SetWindowTextA(Handle("Combo1"), "255");
  Click("Command1");
  EXPECT_EQ(recorder.boxes, std::vector<std::string>{"VELTRANO: no port"});
  EXPECT_EQ(Shown(), "11001 start - EEEEEEEEEEEEEEEEEE");
  EXPECT_FALSE(std::filesystem::exists("SETUPSIM.CAP"));
}

}  // namespace
}  // namespace veltrano
