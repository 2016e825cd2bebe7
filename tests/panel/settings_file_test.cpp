#include "panel/settings_file.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

#include <cstdio>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "panel_support.h"

namespace veltrano::testing {
namespace {

const std::string kDefaultsFile =
    "1\r\n1\r\n0\r\n0\r\n1\r\n 1 \r\n 127 \r\n 128 \r\n 3 \r\n 3 \r\n";
// The window after the defaults: boxes, port, pitch and roll scroll, selected pitch and roll
// level (0: none), then the ten settings fields of the state.
const char* const kDefaultsShown = "11001 1 128 128 3 3 | 1 1 0 0 1 1 128 128 3 3";

struct LoadCase {
  const char* name;
  std::optional<std::string> file;  // none: no file at all
  std::string shown;
};

void PrintTo(const LoadCase& c, std::ostream* out) { *out << c.name; }

const LoadCase kLoadCases[] = {
    {"NoFileGivesTheDefaults", std::nullopt, kDefaultsShown},
    {"TheDefaultsFileGivesTheSameWindow", kDefaultsFile,
     "11001 1 128 128 3 3 | 1 1 0 0 1 1 127 128 3 3"},
    {"BothMembersOfAPairStayTicked",
     "1\r\n0\r\n1\r\n1\r\n0\r\n 12 \r\n 0 \r\n 255 \r\n 5 \r\n 1 \r\n",
     "10110 12 255 255 5 1 | 1 0 1 1 0 12 0 255 5 1"},
    {"OnlyZeroClearsAFlag", "2\r\n-1\r\n0\r\n7\r\n1\r\n 2 \r\n 255 \r\n 0 \r\n 1 \r\n 5 \r\n",
     "11011 2 0 0 1 5 | 2 -1 0 7 1 2 255 0 1 5"},
    {"LevelsOutsideOneToFiveSelectNothing",
     "1\r\n1\r\n0\r\n0\r\n1\r\n-3 \r\n 100 \r\n 7 \r\n 0 \r\n 6 \r\n",
     "11001 -3 155 7 0 0 | 1 1 0 0 1 -3 100 7 0 6"},
    {"AFileEndingAfterLineNineGetsTheDefaultsOnTop",
     "0\r\n0\r\n1\r\n1\r\n0\r\n 4 \r\n 10 \r\n 20 \r\n 2 \r\n",
     "00000 1 128 128 3 3 | 1 1 0 0 1 1 128 128 3 3"},
    {"APitchCentreOutsideTheScrollBarGivesTheDefaults",
     "0\r\n1\r\n1\r\n0\r\n1\r\n 5 \r\n 300 \r\n 20 \r\n 2 \r\n 2 \r\n",
     "01001 1 128 128 3 3 | 1 1 0 0 1 1 128 128 3 3"},
    {"LineFeedsAloneNoBlanksAndNoFinalLineEnd", "1\n0\n0\n1\n1\n6\n55\n99\n4\n2",
     "10011 6 200 99 4 2 | 1 0 0 1 1 6 55 99 4 2"},
};

// The number of the selected button among OptionN.. OptionN+4, 0 for none; two count as -1.
int SelectedLevel(OpenWindow& window, int firstOption) {
  int selected = 0;
  for (int level = 1; level <= 5; ++level) {
    const std::string name = "Option" + std::to_string(firstOption + level - 1);
    if (window.Widget<QRadioButton>(name.c_str())->isChecked()) selected = selected ? -1 : level;
  }
  return selected;
}

std::string WhatTheWindowShows(OpenWindow& window) {
  std::ostringstream shown;
  for (const char* name : {"Check1", "Check2", "Check3", "Check4", "Check5"}) {
    shown << (window.Widget<QCheckBox>(name)->isChecked() ? 1 : 0);
  }
  const PanelState& s = window.state();
  shown << ' ' << window.Widget<QComboBox>("Combo1")->currentText().toStdString() << ' '
        << window.form().controls().vScroll1.Value() << ' '
        << window.form().controls().hScroll1.Value() << ' ' << SelectedLevel(window, 1) << ' '
        << SelectedLevel(window, 6) << " |";
  for (int field :
       {s.pitchEnabled, s.rollEnabled, s.accelerationEnabled, s.slipEnabled, s.vibrationEnabled,
        s.comPort, s.pitchCenter, s.rollCenter, s.pitchExpressLevel, s.rollExpressLevel}) {
    shown << ' ' << field;
  }
  return shown.str();
}

class LoadSettingsTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadSettingsTest, RestoresTheWindow) {
  ScratchDirectory directory;
  if (GetParam().file) WriteFile(kSettingsFileName, *GetParam().file);
  OpenWindow window;
  EXPECT_EQ(WhatTheWindowShows(window), GetParam().shown);
  const auto* combo = window.Widget<QComboBox>("Combo1");  // the list stays 1 to 8 whatever
  ASSERT_EQ(combo->count(), 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(combo->itemText(i).toStdString(), std::to_string(i + 1));
}

INSTANTIATE_TEST_SUITE_P(Files, LoadSettingsTest, ::testing::ValuesIn(kLoadCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Saving -------------------------------------------------------------------------------------

// What the folder holds, sorted: links with their targets, folders with a slash, files with
// their permission bits and whether they hold the new settings.
std::string Listing(const std::string& saved) {
  std::set<std::string> entries;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(".")) {
    const std::string name = entry.path().lexically_relative(".").string();
    char bits[8];
    std::snprintf(bits, sizeof bits, " %03o", static_cast<unsigned>(entry.status().permissions()));
    entries.insert(entry.is_symlink() ? name + " -> " + read_symlink(entry.path()).string()
                   : entry.is_directory()
                       ? name + "/"
                       : name + bits + (ReadFile(name) == saved ? " new" : " old"));
  }
  std::string listing;
  for (const std::string& entry : entries) listing += ", " + entry;
  return listing;
}

void WriteOld(const std::filesystem::path& file) {
  WriteFile(file, "1\r\n");
  std::filesystem::permissions(file, std::filesystem::perms(0640));
}

TEST(SaveSettings, ReplacesTheFileItselfKeepingItsBitsOrRewritesItWhereNoNewFileCanBeMade) {
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[] { WriteOld(kSettingsFileName); }, "saved, SETUPSIM.CAP 640 new"},
      {[] {
         std::filesystem::create_directory("store");
         WriteOld("store/settings");
         std::filesystem::create_symlink("store/settings", kSettingsFileName);
       },
       "saved, SETUPSIM.CAP -> store/settings, store/, store/settings 640 new"},
      // The new file cannot be made beside the old one; it is rewritten instead.
      {[] {
         WriteOld(kSettingsFileName);
         std::filesystem::create_directories("SETUPSIM.CAP.new/taken");
       },
       "saved, SETUPSIM.CAP 640 new, SETUPSIM.CAP.new/, SETUPSIM.CAP.new/taken/"},
  };
  for (const auto& [arrange, expected] : cases) {
    ScratchDirectory directory;
    arrange();
    OpenWindow window;
    window.form().controls().vScroll1.SetValue(10);
    SaveSettings(window.state(), window.form().controls());
    EXPECT_EQ("saved" + Listing("1\r\n1\r\n0\r\n0\r\n1\r\n 1 \r\n 245 \r\n 128 \r\n 3 \r\n 3 \r\n"),
              expected);
  }
}

}  // namespace
}  // namespace veltrano::testing
