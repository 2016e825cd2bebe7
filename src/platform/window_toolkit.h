#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/msg_box.h"

namespace veltrano {

// The window toolkit that the control panel is drawn with. Geometry is in twips (1/1440 inch),
// relative to the client area's top-left corner, or to its frame's corner for a control inside a
// frame. Everything here lives on the window's one thread.

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct FontDesign {
  std::string_view family;
  double points = 0;
  bool bold = false;
  bool italic = false;
};

enum class ControlKind {
  Label,
  Frame,
  CheckBox,
  OptionButton,
  ComboBox,
  HScrollBar,
  VScrollBar,
  PushButton
};

struct ControlDesign {
  std::string_view name;
  ControlKind kind = ControlKind::Label;
  std::string_view container;  // empty: the window; otherwise the name of a frame added earlier
  std::string_view caption;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int tabIndex = 0;
  std::optional<FontDesign> font;  // none: the toolkit's default
  int value = 0;                   // check box 0/1, option button 0/1, scroll bar position
  int minimum = 0;                 // scroll bars: the value at the left or top end
  int maximum = 0;                 // scroll bars: the value at the right or bottom end
  std::optional<Rgb> face;         // push buttons
  bool enabled = true;
};

struct LineDesign {
  std::string_view name;
  int index = 0;  // several segments may share one name
  int x1 = 0;
  int y1 = 0;
  int x2 = 0;
  int y2 = 0;
  int borderStyle = 1;  // 1 solid; other values draw a visibly different line
};

struct WindowDesign {
  std::string_view name;
  std::string_view caption;
  int clientWidth = 0;  // twips
  int clientHeight = 0;
  FontDesign font;
};

class Control {
 public:
  virtual ~Control() = default;
  virtual std::string_view Name() const = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
};

class Label : public Control {};
class Frame : public Control {};

class CheckBox : public Control {
 public:
  virtual int Value() const = 0;  // 0 clear, 1 ticked
  // Refuses anything but 0 and 1 with an Error. A change of value, by the person or the program,
  // notifies the click handler once the new value is in place.
  virtual void SetValue(int value) = 0;
  virtual void OnClick(std::function<void()> handler) = 0;
};

// One of an exclusive set: selecting it clears the others in the same frame.
class OptionButton : public Control {
 public:
  virtual bool Value() const = 0;
  virtual void SetValue(bool selected) = 0;
};

// An editable drop-down: a list to pick from, and a text that may be anything the person types.
class ComboBox : public Control {
 public:
  virtual void AddItem(std::string_view item) = 0;
  virtual std::string Text() const = 0;
  virtual void SetText(std::string_view text) = 0;
};

// Runs from Min() at the left or top end to Max() at the other; Min() may exceed Max(). Arrow and
// track clicks move by 1.
class ScrollBar : public Control {
 public:
  virtual int Min() const = 0;
  virtual int Max() const = 0;
  virtual int Value() const = 0;
  // Refuses a value outside the range with an Error and keeps the old one.
  virtual void SetValue(int value) = 0;
};

class PushButton : public Control {
 public:
  virtual void OnClick(std::function<void()> handler) = 0;
};

// A periodic timer delivered on the window's thread. Its ticks keep to a fixed schedule counted
// from SetEnabled(true): a late tick does not shift the ones after it. A tick never runs inside
// another: a tick that falls due while the handler runs (a modal box included) comes once that
// one has ended, and further periods that pass meanwhile add no further ticks.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;  // counts the first period from now
  virtual void OnTimer(std::function<void()> handler) = 0;
};

class Window {
 public:
  virtual ~Window() = default;

  // Adds a control; a container must have been added before the controls it holds.
  virtual Control& Add(const ControlDesign& design) = 0;
  virtual void AddLine(const LineDesign& design) = 0;
  virtual Timer& AddTimer(std::string_view name, int intervalMs) = 0;

  // The control of that name; throws Error when there is none.
  virtual Control& Find(std::string_view name) = 0;

  template <class T>
  T& Get(std::string_view name) {
    return dynamic_cast<T&>(Find(name));
  }

  // Modal boxes owned by this window.
  virtual MsgBox& MessageBoxes() = 0;

  virtual void Show() = 0;

  // Writes a PNG picture of the window's client area as it is drawn now.
  virtual void SavePicture(const std::string& pngPath) = 0;
};

class WindowToolkit {
 public:
  virtual ~WindowToolkit() = default;
  virtual std::unique_ptr<Window> NewWindow(const WindowDesign& design) = 0;
  // Runs the event loop until the last window is closed; gives the process exit code.
  virtual int Run() = 0;
};

}  // namespace veltrano
