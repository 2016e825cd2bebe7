#pragma once

#include <memory>

#include "platform/window_toolkit.h"

class QApplication;

namespace veltrano {

// The window toolkit on Qt Widgets, in the Fusion style so the window looks the same on every
// desktop.
class QtToolkit final : public WindowToolkit {
 public:
  // Makes the QApplication unless one exists already; `argc` and `argv` must outlive this object.
  QtToolkit(int& argc, char** argv);
  ~QtToolkit() override;
  QtToolkit(const QtToolkit&) = delete;
  QtToolkit& operator=(const QtToolkit&) = delete;

  std::unique_ptr<Window> NewWindow(const WindowDesign& design) override;
  int Run() override;

 private:
  std::unique_ptr<QApplication> application_;
};

}  // namespace veltrano
