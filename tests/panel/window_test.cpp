// The main window's own rule: the exclusive pairs of effects.

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include <array>
#include <filesystem>
#include <string>
#include <tuple>

#include "panel/settings_file.h"
#include "panel_support.h"
#include "platform/error.h"

namespace veltrano::testing {
namespace {

const std::string kAllTicked = "1\r\n1\r\n1\r\n1\r\n1\r\n 1 \r\n 127 \r\n 128 \r\n 3 \r\n 3 \r\n";

std::array<int, 5> Boxes(OpenWindow& window) {
  std::array<int, 5> values{};
  for (int i = 0; i < 5; ++i) {
    const std::string name = "Check" + std::to_string(i + 1);
    values[i] = window.Widget<QCheckBox>(name.c_str())->isChecked() ? 1 : 0;
  }
  return values;
}

TEST(ExclusivePairs, ClicksAndTheProgramFollowTheRulesOneStepAtATime) {
  ScratchDirectory directory;
  WriteFile(kSettingsFileName, kAllTicked);
  OpenWindow window;
  ASSERT_EQ(Boxes(window), (std::array<int, 5>{1, 1, 1, 1, 1}));  // loading applies no rule

  struct Step {
    const char* box;
    bool byProgram;  // ticked by the program, else clicked
    std::array<int, 5> after;
  };
  const Step steps[] = {
      {"Check5", false, {1, 1, 1, 1, 0}},  // VIBRATION has no partner
      {"Check1", false, {0, 1, 1, 1, 0}},  // clearing leaves the partner alone
      {"Check1", false, {1, 1, 0, 1, 0}},  // ticking PITCHING clears ACCELERATION
      {"Check3", false, {0, 1, 1, 1, 0}},  // ticking ACCELERATION clears PITCHING
      {"Check4", false, {0, 1, 1, 0, 0}},
      {"Check4", false, {0, 0, 1, 1, 0}},  // ticking SLIP clears ROLLING
      {"Check2", false, {0, 1, 1, 0, 0}},  // ticking ROLLING clears SLIP
      {"Check3", false, {0, 1, 0, 0, 0}},  // both of a pair may be clear
      {"Check4", true, {0, 0, 0, 1, 0}},
  };
  for (const Step& step : steps) {
    if (step.byProgram) {
      window.form().window().Get<CheckBox>(step.box).SetValue(1);
    } else {
      QTest::mouseClick(window.Widget<QCheckBox>(step.box), Qt::LeftButton);
    }
    EXPECT_EQ(Boxes(window), step.after) << "after " << step.box;
  }
  for (int value : {2, -1})
    EXPECT_THROW(window.form().window().Get<CheckBox>("Check1").SetValue(value), Error);
}

}  // namespace
}  // namespace veltrano::testing
