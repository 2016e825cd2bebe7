#include "platform/win32/win32_window.h"

#include <algorithm>
#include <utility>

#include "platform/error.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_png_file.h"

namespace veltrano {

namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

void RegisterWindowClass() {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (GetClassInfoExA(GetModuleHandleA(nullptr), Win32Window::kWindowClass, &windowClass)) return;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = &Win32Window::Procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = Win32Window::kWindowClass;
  if (RegisterClassExA(&windowClass) == 0) throw Win32Error("Cannot register the window class");
}

std::string FontKey(const FontDesign& design) {
  return std::string(design.family) + "/" + std::to_string(design.points) + "/" +
         (design.bold ? "b" : "") + (design.italic ? "i" : "");
}

bool TakesFocus(ControlKind kind) {
  return kind != ControlKind::Label && kind != ControlKind::Frame;
}

}  // namespace

Win32Window::Win32Window(const WindowDesign& design, const ScreenUnits& units) : units_(units) {
  RegisterWindowClass();
  RECT frame{0, 0, units_.Pixels(design.clientWidth), units_.Pixels(design.clientHeight)};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  const std::string caption(design.caption);
  window_ = CreateWindowExA(0, kWindowClass, caption.c_str(), kWindowStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                            nullptr, nullptr, GetModuleHandleA(nullptr), this);
  if (window_ == nullptr) throw Win32Error("Cannot create the window");
  windowFont_ = FontFor(design.font);
  msgBox_.SetOwner(window_);
}

Win32Window::~Win32Window() {
  timers_.clear();  // their threads post to the window: they go first
  controls_.clear();
  if (IsWindow(window_)) {
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  for (const auto& [key, font] : fonts_) DeleteObject(font);
}

HFONT Win32Window::FontFor(const FontDesign& design) {
  const std::string key = FontKey(design);
  auto found = fonts_.find(key);
  if (found == fonts_.end()) found = fonts_.emplace(key, units_.MakeFont(design)).first;
  return found->second;
}

Control& Win32Window::Add(const ControlDesign& design) {
  controls_.RefuseTaken(design.name);
  RECT bounds{units_.Pixels(design.left), units_.Pixels(design.top), 0, 0};
  OptionSet* options = nullptr;
  if (!design.container.empty()) {
    Entry* frame = controls_.Lookup(design.container);
    if (frame == nullptr || frame->kind != ControlKind::Frame) {
      throw Error("No frame named " + std::string(design.container) + " to hold " +
                  std::string(design.name));
    }
    // A frame's controls are the window's children too, placed from the frame's corner.
    OffsetRect(&bounds, frame->bounds.left, frame->bounds.top);
    options = &frame->options;
  }
  bounds.right = bounds.left + units_.Pixels(design.width);
  bounds.bottom = bounds.top + units_.Pixels(design.height);
  HFONT font = design.font ? FontFor(*design.font) : windowFont_;
  Win32ControlParts parts = MakeWin32Control(design, window_, bounds, font, options);
  Entry& entry = controls_.Insert(design.name, Entry{});
  entry.control = std::move(parts.control);
  entry.child = parts.child;
  entry.kind = design.kind;
  entry.tabIndex = design.tabIndex;
  entry.bounds = bounds;
  return *entry.control;
}

void Win32Window::AddLine(const LineDesign& design) {
  segments_.push_back({{units_.Pixels(design.x1), units_.Pixels(design.y1)},
                       {units_.Pixels(design.x2), units_.Pixels(design.y2)},
                       design.borderStyle != 1});
  InvalidateRect(window_, nullptr, TRUE);
}

Timer& Win32Window::AddTimer(std::string_view name, int intervalMs) {
  timers_.RefuseTaken(name);
  return *timers_.Insert(name, std::make_unique<Win32Timer>(window_, name, intervalMs));
}

Control& Win32Window::Find(std::string_view name) { return *controls_.Find(name).control; }

HWND Win32Window::HandleOf(std::string_view name) { return controls_.Find(name).child->Handle(); }

MsgBox& Win32Window::MessageBoxes() { return msgBox_; }

void Win32Window::Show() {
  // The keyboard walks the controls in z-order: those that take the focus in tab order first,
  // then labels and frames, which lie beneath the option buttons they hold.
  std::vector<const Entry*> order;
  for (const auto& [name, entry] : controls_) order.push_back(&entry);
  std::stable_sort(order.begin(), order.end(), [](const Entry* a, const Entry* b) {
    if (TakesFocus(a->kind) != TakesFocus(b->kind)) return TakesFocus(a->kind);
    return a->tabIndex < b->tabIndex;
  });
  HWND previous = HWND_TOP;
  for (const Entry* entry : order) {
    const HWND handle = entry->child->Handle();
    SetWindowPos(handle, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = handle;
  }
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
  for (const Entry* entry : order) {
    if (TakesFocus(entry->kind) && IsWindowEnabled(entry->child->Handle())) {
      SetFocus(entry->child->Handle());
      break;
    }
  }
}

void Win32Window::SavePicture(const std::string& pngPath) {
  RECT client{};
  GetClientRect(window_, &client);
  const int width = client.right;
  const int height = client.bottom;
  HDC windowDc = GetDC(window_);
  HDC memoryDc = CreateCompatibleDC(windowDc);
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = -height;  // top row first
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(windowDc, &format, DIB_RGB_COLORS, &pixels, nullptr, 0);
  HGDIOBJ before = SelectObject(memoryDc, bitmap);
  // The window and its controls draw themselves into the picture.
  PrintWindow(window_, memoryDc, PW_CLIENTONLY);
  SelectObject(memoryDc, before);
  std::vector<std::uint8_t> rgb;
  if (pixels != nullptr) {
    const auto* bgra = static_cast<const std::uint8_t*>(pixels);
    rgb.reserve(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
      rgb.insert(rgb.end(), {bgra[4 * i + 2], bgra[4 * i + 1], bgra[4 * i]});
    }
  }
  DeleteObject(bitmap);
  DeleteDC(memoryDc);
  ReleaseDC(window_, windowDc);
  if (rgb.empty()) throw Error("Cannot draw the window into a picture");
  WritePng(pngPath, width, height, rgb);
}

Win32Child* Win32Window::ChildOf(HWND handle) {
  for (auto& [name, entry] : controls_) {
    if (entry.child->Handle() == handle) return entry.child;
  }
  return nullptr;
}

void Win32Window::Paint() {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(window_, &paint);
  HPEN solid = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT));
  HPEN dotted = CreatePen(PS_DOT, 1, GetSysColor(COLOR_WINDOWTEXT));
  HGDIOBJ before = SelectObject(dc, solid);
  SetBkMode(dc, TRANSPARENT);
  for (const Segment& segment : segments_) {
    SelectObject(dc, segment.dotted ? dotted : solid);
    MoveToEx(dc, segment.from.x, segment.from.y, nullptr);
    LineTo(dc, segment.to.x, segment.to.y);
    SetPixel(dc, segment.to.x, segment.to.y, GetSysColor(COLOR_WINDOWTEXT));  // LineTo stops short
  }
  SelectObject(dc, before);
  DeleteObject(solid);
  DeleteObject(dotted);
  EndPaint(window_, &paint);
}

LRESULT CALLBACK Win32Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  // Messages of the window's creation, and of its destruction by its owner, need nothing of ours.
  if (self == nullptr || self->window_ == nullptr) {
    return DefWindowProcA(window, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

LRESULT Win32Window::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (Win32Child* child = ChildOf(reinterpret_cast<HWND>(lParam))) {
        child->Command(HIWORD(wParam));
        return 0;
      }
      break;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (Win32Child* child = ChildOf(reinterpret_cast<HWND>(lParam))) {
        child->Scroll(LOWORD(wParam));
        return 0;
      }
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (Win32Child* child = ChildOf(item->hwndItem)) {
        child->Draw(*item);
        return TRUE;
      }
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      // Labels, boxes and frames on the window's own face colour.
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case Win32Timer::kTickMessage:
      for (auto& [name, timer] : timers_) {
        if (reinterpret_cast<WPARAM>(timer.get()) == wParam) timer->Deliver(lParam);
      }
      return 0;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_DESTROY:
      for (auto& [name, timer] : timers_) timer->SetEnabled(false);
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}

}  // namespace veltrano
