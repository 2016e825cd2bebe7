#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/msg_box.h"

namespace veltrano::testing {

// Records each box instead of showing it; the "person" closes it at once.
class FakeMsgBox final : public MsgBox {
 public:
  struct Box {
    std::string prompt;
    int style;
    std::string title;
    friend bool operator==(const Box&, const Box&) = default;
  };

  void Show(std::string_view prompt, int style, std::string_view title) override {
    shown.push_back({std::string(prompt), style, std::string(title)});
  }

  std::vector<Box> shown;
};

}  // namespace veltrano::testing
