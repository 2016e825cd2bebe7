#pragma once

#include <functional>
#include <string_view>

#include "platform/window_toolkit.h"

namespace veltrano::testing {

// A check box that holds any value, so that the "on exactly when 1" rule can be probed, and
// counts how often its value is asked for.
class FakeCheckBox final : public CheckBox {
 public:
  std::string_view Name() const override { return "Check"; }
  bool Enabled() const override { return true; }
  void SetEnabled(bool) override {}
  int Value() const override {
    ++reads;
    return value;
  }
  void SetValue(int newValue) override { value = newValue; }
  void OnClick(std::function<void()>) override {}

  int value = 0;
  mutable int reads = 0;
};

}  // namespace veltrano::testing
