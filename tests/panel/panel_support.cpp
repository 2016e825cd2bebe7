#include "panel_support.h"

#include <QAbstractButton>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/qt/qt_serial_port.h"

namespace veltrano::testing {

ScratchDirectory::ScratchDirectory() : previous_(std::filesystem::current_path()) {
  std::string pattern = (std::filesystem::temp_directory_path() / "veltrano-panel-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  std::filesystem::current_path(path_);
}

ScratchDirectory::~ScratchDirectory() {
  std::filesystem::current_path(previous_);
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::filesystem::path& file, const std::string& content) {
  std::ofstream(file, std::ios::binary) << content;
}

OpenWindow::OpenWindow(std::chrono::milliseconds answerWait)
    : toolkit_(argc_, argv_),
      form_(std::make_unique<Form1>(toolkit_, std::make_unique<QtSerialPort>(), link_, clock_,
                                    answerWait)) {
  form_->Show();
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == "Form1" && widget->isVisible()) top_ = widget;
  }
  if (top_ == nullptr) throw std::runtime_error("the main window is not shown");
}

BoxWatcher::BoxWatcher(int holdMs, std::function<void()> beforeClose)
    : holdMs_(holdMs), beforeClose_(std::move(beforeClose)) {
  QObject::connect(&polling_, &QTimer::timeout, [this] { Check(); });
  polling_.start(5);
}

void BoxWatcher::Check() {
  int openBoxes = 0;
  QMessageBox* box = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* candidate = qobject_cast<QMessageBox*>(widget); candidate && candidate->isVisible()) {
      ++openBoxes;
      box = candidate;
    }
  }
  mostOpenAtOnce_ = std::max(mostOpenAtOnce_, openBoxes);
  if (box == nullptr) open_ = nullptr;
  if (box == nullptr || box == open_) return;
  open_ = box;
  seen_.push_back({box->windowTitle().toStdString(), box->text().toStdString(), box->icon()});
  QTimer::singleShot(holdMs_, box, [this, box] {
    if (beforeClose_) beforeClose_();
    box->accept();
    open_ = nullptr;
  });
}

}  // namespace veltrano::testing
