#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/window_toolkit.h"

namespace veltrano::testing {

// A check box that holds any value, so that the "on exactly when 1" rule can be probed, and
// counts how often its value is asked for.
class FakeCheckBox final : public CheckBox {
 public:
  explicit FakeCheckBox(int value = 0) : value_(value) {}

  std::string_view Name() const override { return "Check"; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }

  int Value() const override {
    ++reads;
    return value_;
  }
  void SetValue(int value) override { value_ = value; }
  void OnClick(std::function<void()> handler) override { handler_ = std::move(handler); }

  mutable int reads = 0;

 private:
  int value_;
  bool enabled_ = true;
  std::function<void()> handler_;
};

}  // namespace veltrano::testing
