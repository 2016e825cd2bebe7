#include "platform/win32/win32_controls.h"

#include <algorithm>
#include <functional>
#include <string>
#include <utility>

#include "platform/error.h"
#include "platform/win32/win32_error.h"

namespace veltrano {

namespace {

// What every control does alike: its name, its child window and its own enabled state.
template <class Interface>
class Win32Control : public Interface, public Win32Child {
 public:
  Win32Control(std::string_view name, HWND handle) : name_(name), handle_(handle) {}

  std::string_view Name() const override { return name_; }
  bool Enabled() const override { return IsWindowEnabled(handle_) != FALSE; }
  void SetEnabled(bool enabled) override { EnableWindow(handle_, enabled ? TRUE : FALSE); }
  HWND Handle() const override { return handle_; }

 protected:
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return SendMessageA(handle_, message, wParam, lParam);
  }

 private:
  std::string name_;
  HWND handle_;
};

class Win32Label final : public Win32Control<Label> {
 public:
  using Win32Control::Win32Control;
};

class Win32Frame final : public Win32Control<Frame> {
 public:
  using Win32Control::Win32Control;
};

class Win32CheckBox final : public Win32Control<CheckBox> {
 public:
  using Win32Control::Win32Control;

  int Value() const override { return Send(BM_GETCHECK) == BST_CHECKED ? 1 : 0; }

  // BM_SETCHECK itself notifies nobody; a change made here is told like a click.
  void SetValue(int value) override {
    if (value != 0 && value != 1) throw Error("Invalid property value");
    if (value == Value()) return;
    Send(BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED);
    if (handler_) handler_();
  }

  void OnClick(std::function<void()> handler) override { handler_ = std::move(handler); }

  // An automatic check box has turned its mark over already when it tells of the click.
  void Command(WORD notification) override {
    if (notification == BN_CLICKED && handler_) handler_();
  }

 private:
  std::function<void()> handler_;
};

class Win32OptionButton final : public Win32Control<OptionButton>, public Win32OptionButtonBase {
 public:
  Win32OptionButton(std::string_view name, HWND handle, OptionSet& set)
      : Win32Control(name, handle), set_(set) {
    set_.push_back(this);
  }

  bool Value() const override { return Send(BM_GETCHECK) == BST_CHECKED; }

  void SetValue(bool selected) override {
    if (selected) {
      for (Win32OptionButtonBase* other : set_) {
        if (other != this) other->Clear();
      }
    }
    Send(BM_SETCHECK, selected ? BST_CHECKED : BST_UNCHECKED);
  }

  void Clear() override { Send(BM_SETCHECK, BST_UNCHECKED); }

  void Command(WORD notification) override {
    if (notification == BN_CLICKED) SetValue(true);
  }

 private:
  OptionSet& set_;
};

class Win32ComboBox final : public Win32Control<ComboBox> {
 public:
  using Win32Control::Win32Control;

  void AddItem(std::string_view item) override {
    Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(item).c_str()));
  }

  std::string Text() const override {
    std::string buffer(static_cast<std::size_t>(GetWindowTextLengthA(Handle())) + 1, '\0');
    const int length = GetWindowTextA(Handle(), buffer.data(), static_cast<int>(buffer.size()));
    return buffer.substr(0, static_cast<std::size_t>(std::max(length, 0)));
  }

  void SetText(std::string_view text) override {
    SetWindowTextA(Handle(), std::string(text).c_str());
  }
};

// The native bar runs from its minimum at the left or top end, so it counts steps from the Min()
// end, and the value is Min() plus or minus those steps (VScroll1 has 255 at the top).
class Win32ScrollBar final : public Win32Control<ScrollBar> {
 public:
  Win32ScrollBar(std::string_view name, HWND handle, int min, int max)
      : Win32Control(name, handle), min_(min), max_(max), direction_(max >= min ? 1 : -1) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = (max_ - min_) * direction_;
    SetScrollInfo(Handle(), SB_CTL, &info, TRUE);
  }

  int Min() const override { return min_; }
  int Max() const override { return max_; }
  int Value() const override { return min_ + direction_ * GetScrollPos(Handle(), SB_CTL); }

  void SetValue(int value) override {
    if (value < std::min(min_, max_) || value > std::max(min_, max_)) {
      throw Error("Invalid property value");
    }
    SetScrollPos(Handle(), SB_CTL, (value - min_) * direction_, TRUE);
  }

  // Arrows and the track both move by one step.
  void Scroll(WORD request) override {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(Handle(), SB_CTL, &info);
    int steps = info.nPos;
    switch (request) {
      case SB_LINEUP:
      case SB_PAGEUP:
        --steps;
        break;
      case SB_LINEDOWN:
      case SB_PAGEDOWN:
        ++steps;
        break;
      case SB_THUMBTRACK:
      case SB_THUMBPOSITION:
        steps = info.nTrackPos;
        break;
      case SB_TOP:
        steps = info.nMin;
        break;
      case SB_BOTTOM:
        steps = info.nMax;
        break;
      default:
        return;
    }
    SetScrollPos(Handle(), SB_CTL, std::clamp(steps, info.nMin, info.nMax), TRUE);
  }

 private:
  int min_;
  int max_;
  int direction_;
};

// Owner-drawn, so that the face keeps its colour when the button is disabled; only the caption
// turns grey then.
class Win32PushButton final : public Win32Control<PushButton> {
 public:
  Win32PushButton(std::string_view name, HWND handle, COLORREF face)
      : Win32Control(name, handle), face_(CreateSolidBrush(face)) {}
  ~Win32PushButton() override { DeleteObject(face_); }
  Win32PushButton(const Win32PushButton&) = delete;
  Win32PushButton& operator=(const Win32PushButton&) = delete;

  void OnClick(std::function<void()> handler) override { handler_ = std::move(handler); }

  void Command(WORD notification) override {
    if (notification == BN_CLICKED && handler_) handler_();
  }

  void Draw(const DRAWITEMSTRUCT& item) override {
    RECT bounds = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    FillRect(item.hDC, &bounds, face_);
    DrawEdge(item.hDC, &bounds, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    char caption[64] = {};
    GetWindowTextA(Handle(), caption, sizeof caption);
    SetBkMode(item.hDC, TRANSPARENT);
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    SetTextColor(item.hDC, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    if (pressed) OffsetRect(&bounds, 1, 1);
    DrawTextA(item.hDC, caption, -1, &bounds, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if ((item.itemState & ODS_FOCUS) != 0) {
      RECT focus = item.rcItem;
      InflateRect(&focus, -4, -4);
      DrawFocusRect(item.hDC, &focus);
    }
  }

 private:
  HBRUSH face_;
  std::function<void()> handler_;
};

struct NativeKind {
  const char* windowClass;
  DWORD style;
};

NativeKind NativeKindOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label:
      return {"STATIC", SS_LEFT | SS_NOPREFIX};
    case ControlKind::Frame:
      return {"BUTTON", BS_GROUPBOX};
    case ControlKind::CheckBox:
      return {"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP};
    case ControlKind::OptionButton:
      return {"BUTTON", BS_RADIOBUTTON | WS_TABSTOP};
    case ControlKind::ComboBox:
      return {"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP};
    case ControlKind::HScrollBar:
      return {"SCROLLBAR", SBS_HORZ | WS_TABSTOP};
    case ControlKind::VScrollBar:
      return {"SCROLLBAR", SBS_VERT | WS_TABSTOP};
    case ControlKind::PushButton:
      return {"BUTTON", BS_OWNERDRAW | WS_TABSTOP};
  }
  throw Error("Unknown kind of control");
}

// The drop-down list of the port box: room for eight entries below the edit field.
constexpr int kDropDownLines = 9;

}  // namespace

Win32ControlParts MakeWin32Control(const ControlDesign& design, HWND window, RECT bounds,
                                   HFONT font, OptionSet* options) {
  const NativeKind native = NativeKindOf(design.kind);
  const bool isCombo = design.kind == ControlKind::ComboBox;
  const int width = bounds.right - bounds.left;
  int height = bounds.bottom - bounds.top;
  // A drop-down combo box's window height includes its list; the edit field is sized below.
  if (isCombo) height *= kDropDownLines;
  const std::string caption(isCombo ? std::string_view() : design.caption);
  HWND handle = CreateWindowExA(0, native.windowClass, caption.c_str(),
                                WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | native.style, bounds.left,
                                bounds.top, width, height, window, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  if (handle == nullptr) throw Win32Error("Cannot create the control " + std::string(design.name));
  SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (isCombo) {
    // The closed box is as high as designed: the edit field's height plus the two borders.
    const int field = (bounds.bottom - bounds.top) - 2 * GetSystemMetrics(SM_CYEDGE) - 2;
    SendMessageA(handle, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    SetWindowTextA(handle, std::string(design.caption).c_str());
  }

  Win32ControlParts parts;
  auto adopt = [&](auto control) {
    parts.child = control.get();
    parts.control = std::move(control);
  };
  switch (design.kind) {
    case ControlKind::Label:
      adopt(std::make_unique<Win32Label>(design.name, handle));
      break;
    case ControlKind::Frame:
      adopt(std::make_unique<Win32Frame>(design.name, handle));
      break;
    case ControlKind::CheckBox: {
      auto box = std::make_unique<Win32CheckBox>(design.name, handle);
      if (design.value != 0 && design.value != 1) {
        DestroyWindow(handle);
        throw Error("Invalid property value");
      }
      SendMessageA(handle, BM_SETCHECK, design.value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
      adopt(std::move(box));
      break;
    }
    case ControlKind::OptionButton: {
      if (options == nullptr) {
        DestroyWindow(handle);
        throw Error("The option button " + std::string(design.name) + " needs a frame");
      }
      auto option = std::make_unique<Win32OptionButton>(design.name, handle, *options);
      option->SetValue(design.value != 0);
      adopt(std::move(option));
      break;
    }
    case ControlKind::ComboBox:
      adopt(std::make_unique<Win32ComboBox>(design.name, handle));
      break;
    case ControlKind::HScrollBar:
    case ControlKind::VScrollBar: {
      auto bar =
          std::make_unique<Win32ScrollBar>(design.name, handle, design.minimum, design.maximum);
      try {
        bar->SetValue(design.value);
      } catch (...) {
        DestroyWindow(handle);
        throw;
      }
      adopt(std::move(bar));
      break;
    }
    case ControlKind::PushButton:
      adopt(std::make_unique<Win32PushButton>(
          design.name, handle,
          design.face ? RGB(design.face->red, design.face->green, design.face->blue)
                      : GetSysColor(COLOR_BTNFACE)));
      break;
  }
  EnableWindow(handle, design.enabled ? TRUE : FALSE);
  return parts;
}

}  // namespace veltrano
