#include "panel/settings_file.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QScrollBar>

#include <array>
#include <optional>
#include <string>

#include "panel_support.h"
#include "platform/error.h"

namespace veltrano::testing {
namespace {

const std::string kDefaultsFile =
    "1\r\n1\r\n0\r\n0\r\n1\r\n 1 \r\n 127 \r\n 128 \r\n 3 \r\n 3 \r\n";

struct Shown {
  std::array<int, 5> checks;
  std::string port;
  int pitchScroll;
  int rollScroll;
  int pitchLevel;  // 0: no button selected
  int rollLevel;
  std::array<int, 10> fields;  // the ten settings fields of the state, in order
};

const Shown kDefaults{{1, 1, 0, 0, 1}, "1", 128, 128, 3, 3, {1, 1, 0, 0, 1, 1, 128, 128, 3, 3}};

struct LoadCase {
  const char* name;
  std::optional<std::string> file;  // none: no file at all
  Shown expected;
};

const LoadCase kLoadCases[] = {
    {"NoFileGivesTheDefaults", std::nullopt, kDefaults},
    {"TheDefaultsFileGivesTheSameWindow",
     kDefaultsFile,
     {{1, 1, 0, 0, 1}, "1", 128, 128, 3, 3, {1, 1, 0, 0, 1, 1, 127, 128, 3, 3}}},
    {"BothMembersOfAPairStayTicked",
     "1\r\n0\r\n1\r\n1\r\n0\r\n 12 \r\n 0 \r\n 255 \r\n 5 \r\n 1 \r\n",
     {{1, 0, 1, 1, 0}, "12", 255, 255, 5, 1, {1, 0, 1, 1, 0, 12, 0, 255, 5, 1}}},
    {"OnlyZeroClearsAFlag",
     "2\r\n-1\r\n0\r\n7\r\n1\r\n 2 \r\n 255 \r\n 0 \r\n 1 \r\n 5 \r\n",
     {{1, 1, 0, 1, 1}, "2", 0, 0, 1, 5, {2, -1, 0, 7, 1, 2, 255, 0, 1, 5}}},
    {"LevelsOutsideOneToFiveSelectNothing",
     "1\r\n1\r\n0\r\n0\r\n1\r\n-3 \r\n 100 \r\n 7 \r\n 0 \r\n 6 \r\n",
     {{1, 1, 0, 0, 1}, "-3", 155, 7, 0, 0, {1, 1, 0, 0, 1, -3, 100, 7, 0, 6}}},
    {"AFileEndingAfterLineNineGetsTheDefaultsOnTop",
     "0\r\n0\r\n1\r\n1\r\n0\r\n 4 \r\n 10 \r\n 20 \r\n 2 \r\n",
     {{0, 0, 0, 0, 0}, "1", 128, 128, 3, 3, {1, 1, 0, 0, 1, 1, 128, 128, 3, 3}}},
    {"APitchCentreOutsideTheScrollBarGivesTheDefaults",
     "0\r\n1\r\n1\r\n0\r\n1\r\n 5 \r\n 300 \r\n 20 \r\n 2 \r\n 2 \r\n",
     {{0, 1, 0, 0, 1}, "1", 128, 128, 3, 3, {1, 1, 0, 0, 1, 1, 128, 128, 3, 3}}},
    {"ANumberOutsideSixteenBitsGivesTheDefaults",
     "1\r\n0\r\n0\r\n0\r\n1\r\n 40000 \r\n 127 \r\n 128 \r\n 3 \r\n 3 \r\n",
     {{1, 0, 0, 0, 1}, "1", 128, 128, 3, 3, {1, 1, 0, 0, 1, 1, 128, 128, 3, 3}}},
    {"ALineThatIsNotANumberGivesTheDefaults",
     "1\r\n0\r\n0\r\n0\r\n1\r\n 2 \r\n 12x \r\n 128 \r\n 3 \r\n 3 \r\n",
     {{1, 0, 0, 0, 1}, "1", 128, 128, 3, 3, {1, 1, 0, 0, 1, 1, 128, 128, 3, 3}}},
    {"LineFeedsAloneNoBlanksAndNoFinalLineEnd",
     "1\n0\n0\n1\n1\n6\n55\n99\n4\n2",
     {{1, 0, 0, 1, 1}, "6", 200, 99, 4, 2, {1, 0, 0, 1, 1, 6, 55, 99, 4, 2}}},
};

void PrintTo(const LoadCase& c, std::ostream* out) { *out << c.name; }

int SelectedLevel(OpenWindow& window, int firstOption) {
  int selected = 0;
  for (int level = 1; level <= 5; ++level) {
    const std::string name = "Option" + std::to_string(firstOption + level - 1);
    if (window.Widget<QRadioButton>(name.c_str())->isChecked()) {
      EXPECT_EQ(selected, 0) << "two buttons selected in one frame";
      selected = level;
    }
  }
  return selected;
}

Shown WhatTheWindowShows(OpenWindow& window) {
  Shown shown{};
  for (int i = 0; i < 5; ++i) {
    const std::string name = "Check" + std::to_string(i + 1);
    shown.checks[i] = window.Widget<QCheckBox>(name.c_str())->isChecked() ? 1 : 0;
  }
  shown.port = window.Widget<QComboBox>("Combo1")->currentText().toStdString();
  shown.pitchScroll = window.form().controls().vScroll1.Value();
  shown.rollScroll = window.form().controls().hScroll1.Value();
  shown.pitchLevel = SelectedLevel(window, 1);
  shown.rollLevel = SelectedLevel(window, 6);
  const PanelState& s = window.state();
  shown.fields = {s.pitchEnabled,      s.rollEnabled,     s.accelerationEnabled, s.slipEnabled,
                  s.vibrationEnabled,  s.comPort,         s.pitchCenter,         s.rollCenter,
                  s.pitchExpressLevel, s.rollExpressLevel};
  return shown;
}

class LoadSettingsTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadSettingsTest, RestoresTheWindow) {
  ScratchDirectory directory;
  if (GetParam().file) WriteFile(kSettingsFileName, *GetParam().file);
  OpenWindow window;
  const Shown shown = WhatTheWindowShows(window);
  const Shown& expected = GetParam().expected;
  EXPECT_EQ(shown.checks, expected.checks);
  EXPECT_EQ(shown.port, expected.port);
  EXPECT_EQ(shown.pitchScroll, expected.pitchScroll);
  EXPECT_EQ(shown.rollScroll, expected.rollScroll);
  EXPECT_EQ(shown.pitchLevel, expected.pitchLevel);
  EXPECT_EQ(shown.rollLevel, expected.rollLevel);
  EXPECT_EQ(shown.fields, expected.fields);
}

INSTANTIATE_TEST_SUITE_P(Files, LoadSettingsTest, ::testing::ValuesIn(kLoadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LoadSettings, ThePortListIsOneToEightWhateverTheFileHolds) {
  ScratchDirectory directory;
  WriteFile(kSettingsFileName, "1\r\n1\r\n0\r\n0\r\n1\r\n 9 \r\n 127 \r\n 128 \r\n 3 \r\n 3 \r\n");
  OpenWindow window;
  auto* combo = window.Widget<QComboBox>("Combo1");
  ASSERT_EQ(combo->count(), 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(combo->itemText(i).toStdString(), std::to_string(i + 1));
  EXPECT_EQ(combo->currentText().toStdString(), "9");
}

// Saving -------------------------------------------------------------------------------------

TEST(SaveSettings, AfterTheDefaultsWritesTheFortyFourByteFile) {
  ScratchDirectory directory;
  OpenWindow window;
  SaveSettings(window.state(), window.form().controls());
  EXPECT_EQ(ReadFile(kSettingsFileName), kDefaultsFile);
  EXPECT_EQ(kDefaultsFile.size(), 44u);
  EXPECT_EQ(window.state().pitchCenter, 128);
  EXPECT_EQ(window.state().rollCenter, 128);
}

TEST(SaveSettings, StoresThePitchCentreInvertedAndNegativeNumbersWithTheirSign) {
  ScratchDirectory directory;
  OpenWindow window;
  PanelControls& controls = window.form().controls();
  controls.vScroll1.SetValue(200);
  controls.hScroll1.SetValue(0);
  controls.check3.SetValue(1);  // clears PITCHING
  controls.pitchLevels[4]->SetValue(true);
  window.state().comPort = -3;
  SaveSettings(window.state(), controls);
  EXPECT_EQ(ReadFile(kSettingsFileName),
            "0\r\n1\r\n1\r\n0\r\n1\r\n-3 \r\n 55 \r\n 0 \r\n 5 \r\n 3 \r\n");
  EXPECT_EQ(window.state().pitchCenter, 200);
  EXPECT_EQ(window.state().rollCenter, 0);
  EXPECT_EQ(window.state().pitchExpressLevel, 5);
}

TEST(SaveSettings, AGroupWithoutSelectionWritesNoLineAndTheNextLoadEndsInDefaults) {
  ScratchDirectory directory;
  WriteFile(kSettingsFileName, "1\r\n1\r\n0\r\n0\r\n1\r\n 1 \r\n 127 \r\n 128 \r\n 6 \r\n 3 \r\n");
  {
    OpenWindow window;
    SaveSettings(window.state(), window.form().controls());
    EXPECT_EQ(window.state().pitchExpressLevel, 6);  // kept for the packets
    EXPECT_EQ(ReadFile(kSettingsFileName),
              "1\r\n1\r\n0\r\n0\r\n1\r\n 1 \r\n 127 \r\n 128 \r\n 3 \r\n");
  }
  OpenWindow reloaded;
  EXPECT_EQ(reloaded.state().pitchExpressLevel, 3);
  EXPECT_EQ(reloaded.state().rollExpressLevel, 3);
}

TEST(SaveSettings, AFailedSaveKeepsThePreviousFileWholeAndTheStateUnchanged) {
  ScratchDirectory directory;
  const std::string previous = "0\r\n1\r\n1\r\n0\r\n1\r\n 2 \r\n 27 \r\n 28 \r\n 1 \r\n 5 \r\n";
  WriteFile(kSettingsFileName, previous);
  OpenWindow window;
  window.form().controls().vScroll1.SetValue(10);
  // The new file is written beside the old one first; make that impossible.
  std::filesystem::path blocked = kSettingsFileName;
  blocked += ".new";
  std::filesystem::create_directory(blocked);
  WriteFile(blocked / "keep", "x");
  EXPECT_THROW(SaveSettings(window.state(), window.form().controls()), Error);
  EXPECT_EQ(ReadFile(kSettingsFileName), previous);
  EXPECT_EQ(window.state().pitchCenter, 27);
}

}  // namespace
}  // namespace veltrano::testing
