#include "panel/settings_file.h"

#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "panel_support.h"
#include "platform/error.h"

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

const std::string kOld = "1\r\n";
const std::string kSaved = "1\r\n1\r\n0\r\n0\r\n1\r\n 1 \r\n 245 \r\n 128 \r\n 3 \r\n 3 \r\n";

ino_t Inode(const std::filesystem::path& file) {
  struct stat status {};
  return lstat(file.c_str(), &status) == 0 ? status.st_ino : 0;
}

// The plain files in the folder, by their inode numbers.
std::map<std::string, ino_t> Inodes() {
  std::map<std::string, ino_t> inodes;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(".")) {
    if (entry.is_regular_file() && !entry.is_symlink()) {
      inodes[entry.path().lexically_relative(".").string()] = Inode(entry.path());
    }
  }
  return inodes;
}

// What the folder holds, sorted: links with their targets, folders with a slash, files with
// their permission bits, whether they hold the new settings or the old, and whether a file that
// was there before is still the same file or a new one in its place.
std::string Listing(const std::map<std::string, ino_t>& before) {
  std::set<std::string> entries;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(".")) {
    const std::string name = entry.path().lexically_relative(".").string();
    if (entry.is_symlink()) {
      entries.insert(name + " -> " + read_symlink(entry.path()).string());
    } else if (entry.is_directory()) {
      entries.insert(name + "/");
    } else {
      char bits[8];
      std::snprintf(bits, sizeof bits, " %03o",
                    static_cast<unsigned>(entry.status().permissions()));
      const std::string content = ReadFile(name);
      const auto old = before.find(name);
      entries.insert(name + bits +
                     (content == kSaved ? " new"
                      : content == kOld ? " old"
                                        : " other") +
                     (old == before.end()          ? ""
                      : old->second == Inode(name) ? " same file"
                                                   : " replaced"));
    }
  }
  std::string listing;
  for (const std::string& entry : entries) listing += ", " + entry;
  return listing;
}

void WriteOld(const std::filesystem::path& file, int bits = 0640) {
  WriteFile(file, kOld);
  std::filesystem::permissions(file, std::filesystem::perms(bits));
}

// The file-system identity of an unprivileged user for the calling thread, in a folder that
// this user owns: its permission checks are then those of that user, with none of the
// administrator's privileges.
class AsUnprivilegedUser {
 public:
  static constexpr uid_t kNobody = 65534;

  explicit AsUnprivilegedUser(const std::filesystem::path& folder)
      : taken_(chown(folder.c_str(), kNobody, kNobody) == 0 && Become(kNobody)) {}
  ~AsUnprivilegedUser() {
    if (taken_) Become(0);
  }
  bool taken() const { return taken_; }

 private:
  static bool Become(uid_t id) {
    setfsgid(id);
    setfsuid(id);
    // Either call gives the previous identity and sets no error: ask again to know.
    return setfsuid(static_cast<uid_t>(-1)) == static_cast<int>(id) &&
           setfsgid(static_cast<gid_t>(-1)) == static_cast<int>(id);
  }
  bool taken_;
};

TEST(SaveSettings, ReplacesTheFileKeepingItsBitsRewritesItWhereNoNewFileCanBeMadeOrLeavesItAlone) {
  // Rows for an unprivileged user (the suite's own one where it is not root); root may write any
  // file, so the last row needs root.
  struct Case {
    bool asRoot;
    std::function<void()> arrange;
    std::string expected;
  };
  const Case cases[] = {
      {false, [] { WriteOld(kSettingsFileName); }, "saved, SETUPSIM.CAP 640 new replaced"},
      {false,
       [] {
         std::filesystem::create_directory("store");
         WriteOld("store/settings");
         std::filesystem::create_symlink("store/settings", kSettingsFileName);
       },
       "saved, SETUPSIM.CAP -> store/settings, store/, store/settings 640 new replaced"},
      // The new file cannot be made beside the old one; it is rewritten instead.
      {false,
       [] {
         WriteOld(kSettingsFileName);
         std::filesystem::create_directories("SETUPSIM.CAP.new/taken");
       },
       "saved, SETUPSIM.CAP 640 new same file, SETUPSIM.CAP.new/, SETUPSIM.CAP.new/taken/"},
      // A read-only file in the user's own folder, which a rename could replace.
      {false, [] { WriteOld(kSettingsFileName, 0444); }, "refused, SETUPSIM.CAP 444 old same file"},
      {true, [] { WriteOld(kSettingsFileName, 0444); }, "saved, SETUPSIM.CAP 444 new replaced"},
  };
  const bool root = geteuid() == 0;
  for (const Case& c : cases) {
    if (c.asRoot && !root) continue;
    ScratchDirectory directory;
    OpenWindow window;
    window.form().controls().vScroll1.SetValue(10);
    std::optional<AsUnprivilegedUser> user;
    if (root && !c.asRoot && !user.emplace(directory.path()).taken()) {
      GTEST_SKIP() << "the file-system identity of uid " << AsUnprivilegedUser::kNobody
                   << " cannot be taken here (no CAP_SETUID or CAP_CHOWN, or no such uid in "
                      "this user namespace), so no save runs as an unprivileged user";
    }
    c.arrange();
    const auto before = Inodes();
    std::string outcome = "saved";
    try {
      SaveSettings(window.state(), window.form().controls());
    } catch (const Error&) {
      outcome = "refused";
    }
    EXPECT_EQ(outcome + Listing(before), c.expected);
  }
  if (!root) GTEST_SKIP() << "not root: the save of a read-only file by root is not checked";
}

}  // namespace
}  // namespace veltrano::testing
