#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "panel/main_window.h"
#include "platform/posix/posix_link_transport.h"
#include "platform/posix/posix_system_clock.h"
#include "platform/qt/qt_toolkit.h"

namespace veltrano::testing {

// The controls that START locks and STOP unlocks.
inline constexpr const char* kSettingsControls[] = {
    "Check1",   "Check2",   "Check3",  "Check4",  "Check5",  "Combo1",
    "VScroll1", "HScroll1", "Option1", "Option2", "Option3", "Option4",
    "Option5",  "Option6",  "Option7", "Option8", "Option9", "Option10"};

// A fresh, empty working directory for one test; the previous one is restored afterwards.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& file);
void WriteFile(const std::filesystem::path& file, const std::string& content);

// The real main window, built (and so loaded) in the current working directory, with the real
// serial port, link transport and clock. Its ticks wait long for their answers unless told
// otherwise, so that a busy machine does not make a healthy server look late.
class OpenWindow {
 public:
  explicit OpenWindow(std::chrono::milliseconds answerWait = std::chrono::seconds(5));
  Form1& form() { return *form_; }
  PanelState& state() { return form_->state(); }

  // The Qt widget of the control with that name.
  template <class W>
  W* Widget(const char* name) {
    auto* found = top_->findChild<W*>(name);
    if (found == nullptr) throw std::runtime_error(std::string("no widget ") + name);
    return found;
  }

 private:
  int argc_ = 1;
  char name_[9] = "veltrano";
  char* argv_[2] = {name_, nullptr};
  QtToolkit toolkit_;
  PosixLinkTransport link_;
  PosixSystemClock clock_;
  std::unique_ptr<Form1> form_;
  QWidget* top_ = nullptr;
};

// Watches for modal message boxes and closes each one after `holdMs` of event-loop time,
// recording what it said and how many stood open at once.
class BoxWatcher {
 public:
  struct Seen {
    std::string title;
    std::string text;
    QMessageBox::Icon icon;
  };

  // `beforeClose` runs inside the box's own event loop, just before the box is closed.
  explicit BoxWatcher(int holdMs = 0, std::function<void()> beforeClose = {});
  const std::vector<Seen>& seen() const { return seen_; }
  bool open() const { return open_ != nullptr; }
  int mostOpenAtOnce() const { return mostOpenAtOnce_; }

 private:
  void Check();

  int holdMs_;
  std::function<void()> beforeClose_;
  QTimer polling_;
  QMessageBox* open_ = nullptr;
  std::vector<Seen> seen_;
  int mostOpenAtOnce_ = 0;
};

}  // namespace veltrano::testing
