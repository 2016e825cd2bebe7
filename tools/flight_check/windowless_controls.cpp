#include "windowless_controls.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "panel/form1_design.h"
#include "platform/error.h"

namespace veltrano::flight_check {
namespace {

const ControlDesign& Designed(std::string_view name) {
  const auto controls = Form1Layout().controls;
  const auto found = std::ranges::find(controls, name, &ControlDesign::name);
  if (found == controls.end()) throw Error("the window has no control " + std::string(name));
  return *found;
}

// What every control has: its name and whether it takes input.
template <class Interface>
class Held : public Interface {
 public:
  explicit Held(std::string_view name) : name_(name), enabled_(Designed(name).enabled) {}
  std::string_view Name() const override { return name_; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }

 private:
  std::string name_;
  bool enabled_;
};

class HeldCheckBox final : public Held<CheckBox> {
 public:
  explicit HeldCheckBox(std::string_view name) : Held(name), value_(Designed(name).value) {}
  int Value() const override { return value_; }
  void SetValue(int value) override {
    if (value != 0 && value != 1) throw Error("a check box is 0 or 1");
    if (value == value_) return;
    value_ = value;
    if (onClick_) onClick_();
  }
  void OnClick(std::function<void()> handler) override { onClick_ = std::move(handler); }

 private:
  int value_;
  std::function<void()> onClick_;
};

class HeldComboBox final : public Held<ComboBox> {
 public:
  using Held::Held;
  // Nothing picks from the list without a window; only the text counts.
  void AddItem(std::string_view) override {}
  std::string Text() const override { return text_; }
  void SetText(std::string_view text) override { text_ = text; }

 private:
  std::string text_;
};

class HeldScrollBar final : public Held<ScrollBar> {
 public:
  explicit HeldScrollBar(std::string_view name)
      : Held(name),
        min_(Designed(name).minimum),
        max_(Designed(name).maximum),
        value_(Designed(name).value) {}
  int Min() const override { return min_; }
  int Max() const override { return max_; }
  int Value() const override { return value_; }
  void SetValue(int value) override {
    if (value < std::min(min_, max_) || value > std::max(min_, max_)) {
      throw Error("scroll bar value out of range");
    }
    value_ = value;
  }

 private:
  int min_;
  int max_;
  int value_;
};

// Five option buttons of one frame: selecting one clears the other four.
class HeldLevelGroup {
 public:
  class Button final : public Held<OptionButton> {
   public:
    Button(std::string_view name, HeldLevelGroup& group) : Held(name), group_(group) {}
    bool Value() const override { return selected_; }
    void SetValue(bool selected) override {
      if (selected) group_.ClearAll();
      selected_ = selected;
    }

   private:
    friend class HeldLevelGroup;
    HeldLevelGroup& group_;
    bool selected_ = false;
  };

  explicit HeldLevelGroup(const std::array<std::string_view, 5>& names)
      : buttons_{Button(names[0], *this), Button(names[1], *this), Button(names[2], *this),
                 Button(names[3], *this), Button(names[4], *this)} {}
  HeldLevelGroup(const HeldLevelGroup&) = delete;
  HeldLevelGroup& operator=(const HeldLevelGroup&) = delete;

  std::array<OptionButton*, 5> Buttons() {
    return {&buttons_[0], &buttons_[1], &buttons_[2], &buttons_[3], &buttons_[4]};
  }

 private:
  void ClearAll() {
    for (Button& button : buttons_) button.selected_ = false;
  }

  std::array<Button, 5> buttons_;
};

// Nothing presses it: the settings load has no use for START and STOP.
class HeldPushButton final : public Held<PushButton> {
 public:
  using Held::Held;
  void OnClick(std::function<void()>) override {}
};

// Never ticks: it only holds what it is set to.
class HeldTimer final : public Timer {
 public:
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  void OnTimer(std::function<void()>) override {}

 private:
  bool enabled_ = false;
};

}  // namespace

struct WindowlessControls::Parts {
  HeldCheckBox check1{"Check1"};
  HeldCheckBox check2{"Check2"};
  HeldCheckBox check3{"Check3"};
  HeldCheckBox check4{"Check4"};
  HeldCheckBox check5{"Check5"};
  HeldComboBox combo1{"Combo1"};
  HeldScrollBar vScroll1{"VScroll1"};
  HeldScrollBar hScroll1{"HScroll1"};
  HeldLevelGroup pitchLevels{{"Option1", "Option2", "Option3", "Option4", "Option5"}};
  HeldLevelGroup rollLevels{{"Option6", "Option7", "Option8", "Option9", "Option10"}};
  HeldPushButton command1{"Command1"};
  HeldPushButton command2{"Command2"};
  HeldTimer timer1;
};

WindowlessControls::WindowlessControls()
    : parts_(std::make_unique<Parts>()),
      controls_{
          .check1 = parts_->check1,
          .check2 = parts_->check2,
          .check3 = parts_->check3,
          .check4 = parts_->check4,
          .check5 = parts_->check5,
          .combo1 = parts_->combo1,
          .vScroll1 = parts_->vScroll1,
          .hScroll1 = parts_->hScroll1,
          .pitchLevels = parts_->pitchLevels.Buttons(),
          .rollLevels = parts_->rollLevels.Buttons(),
          .command1 = parts_->command1,
          .command2 = parts_->command2,
          .timer1 = parts_->timer1,
      } {}

WindowlessControls::~WindowlessControls() = default;

}  // namespace veltrano::flight_check
