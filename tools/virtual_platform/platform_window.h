#pragma once

#include <QSize>
#include <QTimer>
#include <QWidget>
#include <string>

#include "platform_state.h"

namespace veltrano::virtual_platform {

// The window that shows the platform moving: redraws the platform's state about thirty times a
// second, moving the axes on to the moment of each drawing.
class PlatformWindow final : public QWidget {
 public:
  static constexpr QSize kDefaultSize{960, 600};

  PlatformWindow(PlatformState& state, const std::string& title);

  // Saves the window as it looks now, the axes moved on to this moment, as a PNG picture; raises
  // veltrano::Error when it cannot.
  void SavePicture(const std::string& pngPath);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  PlatformState& state_;
  QTimer refresh_;
};

}  // namespace veltrano::virtual_platform
