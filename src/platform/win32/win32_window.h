#pragma once

#include "platform/win32/win32_api.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/named_table.h"
#include "platform/win32/win32_controls.h"
#include "platform/win32/win32_msg_box.h"
#include "platform/win32/win32_timer.h"
#include "platform/win32/win32_units.h"
#include "platform/window_toolkit.h"

namespace veltrano {

// A top-level window with a caption and a fixed client area, whose native child controls are
// found by name. The window paints the straight lines itself, beneath the controls (it does not
// clip its children: a frame is see-through and shows the window behind it). Closing it
// ends the toolkit's message loop.
class Win32Window final : public Window {
 public:
  static constexpr const char* kWindowClass = "VeltranoWindow";

  Win32Window(const WindowDesign& design, const ScreenUnits& units);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  Control& Add(const ControlDesign& design) override;
  void AddLine(const LineDesign& design) override;
  Timer& AddTimer(std::string_view name, int intervalMs) override;
  Control& Find(std::string_view name) override;
  MsgBox& MessageBoxes() override;

  // Shows the window with the focus on the first control in tab order that can take it.
  void Show() override;
  void SavePicture(const std::string& pngPath) override;

  HWND Handle() const { return window_; }
  // The child window of the control of that name; throws Error when there is none.
  HWND HandleOf(std::string_view name);

  // The window procedure of the window class.
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  struct Entry {
    std::unique_ptr<Control> control;
    Win32Child* child = nullptr;
    ControlKind kind = ControlKind::Label;
    int tabIndex = 0;
    RECT bounds{};      // in the client area, pixels
    OptionSet options;  // a frame's option buttons
  };
  struct Segment {
    POINT from;
    POINT to;
    bool dotted;
  };

  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  Win32Child* ChildOf(HWND handle);
  HFONT FontFor(const FontDesign& design);
  void Paint();

  ScreenUnits units_;
  HWND window_ = nullptr;
  HFONT windowFont_ = nullptr;
  std::map<std::string, HFONT, std::less<>> fonts_;
  NamedTable<Entry> controls_{"control"};
  std::vector<Segment> segments_;
  NamedTable<std::unique_ptr<Win32Timer>> timers_{"timer"};
  Win32MsgBox msgBox_;
};

}  // namespace veltrano
