#pragma once

#include <string_view>

namespace veltrano {

// Message box styles, as the desktop numbers them.
inline constexpr int kOkOnly = 0;
inline constexpr int kCritical = 16;  // stop icon, OK button only

// Modal message boxes: Show returns once the person has closed the box.
class MsgBox {
 public:
  virtual ~MsgBox() = default;
  virtual void Show(std::string_view prompt, int style, std::string_view title) = 0;
};

}  // namespace veltrano
