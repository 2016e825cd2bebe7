#include "panel/settings_file.h"

#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "panel/whole_number.h"
#include "platform/error.h"

namespace veltrano {
namespace {

constexpr std::int16_t kCentreTop = 255;  // the pitch centre is stored as 255 minus the scroll

// Reads the file one value at a time; a value that cannot be had raises Error.
class SettingsReader {
 public:
  explicit SettingsReader(const std::filesystem::path& file) : in_(file, std::ios::binary) {
    if (!in_) throw Error("settings file cannot be opened");
  }

  std::int16_t Next() {
    std::string line;
    if (!std::getline(in_, line)) throw Error("settings file ends early");
    // The line ends in CR LF as written, or in LF alone.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto value = ParseWholeNumber(line);
    if (!value) throw Error("settings line is not a whole number in -32768..32767");
    return *value;
  }

 private:
  std::ifstream in_;
};

void SelectLevel(const std::array<OptionButton*, 5>& group, std::int16_t level) {
  if (level >= 1 && level <= 5) group[static_cast<std::size_t>(level - 1)]->SetValue(true);
}

void RestoreFromFile(PanelState& state, PanelControls& controls,
                     const std::filesystem::path& file) {
  SettingsReader reader(file);
  struct Flag {
    std::int16_t& field;
    CheckBox& box;
  };
  for (Flag flag :
       {Flag{state.pitchEnabled, controls.check1}, Flag{state.rollEnabled, controls.check2},
        Flag{state.accelerationEnabled, controls.check3}, Flag{state.slipEnabled, controls.check4},
        Flag{state.vibrationEnabled, controls.check5}}) {
    flag.field = reader.Next();
    if (flag.field == 0) flag.box.SetValue(0);
  }
  state.comPort = reader.Next();
  controls.combo1.SetText(std::to_string(state.comPort));
  state.pitchCenter = reader.Next();
  controls.vScroll1.SetValue(kCentreTop - state.pitchCenter);
  state.rollCenter = reader.Next();
  controls.hScroll1.SetValue(state.rollCenter);
  state.pitchExpressLevel = reader.Next();
  SelectLevel(controls.pitchLevels, state.pitchExpressLevel);
  state.rollExpressLevel = reader.Next();
  SelectLevel(controls.rollLevels, state.rollExpressLevel);
}

void ApplyDefaults(PanelState& state, PanelControls& controls) {
  state.pitchEnabled = 1;
  state.rollEnabled = 1;
  controls.check3.SetValue(0);
  state.accelerationEnabled = 0;
  controls.check4.SetValue(0);
  state.slipEnabled = 0;
  state.vibrationEnabled = 1;
  state.comPort = 1;
  controls.combo1.SetText("1");
  state.pitchCenter = 128;
  controls.vScroll1.SetValue(128);
  state.rollCenter = 128;
  controls.hScroll1.SetValue(128);
  state.pitchExpressLevel = 3;
  controls.pitchLevels[2]->SetValue(true);
  state.rollExpressLevel = 3;
  controls.rollLevels[2]->SetValue(true);
}

void WriteFlag(std::ostream& out, const CheckBox& box) {
  out << (box.Value() == 0 ? "0" : "1") << "\r\n";
}

void WriteNumber(std::ostream& out, int value) {
  out << (value < 0 ? "-" : " ") << (value < 0 ? -value : value) << " \r\n";
}

// The number of the selected button, 1..5, or nothing when none is selected.
std::optional<std::int16_t> SelectedLevel(const std::array<OptionButton*, 5>& group) {
  for (std::size_t i = 0; i < group.size(); ++i) {
    if (group[i]->Value()) return static_cast<std::int16_t>(i + 1);
  }
  return std::nullopt;
}

// The file that `file` finally names, following symbolic links, so that a link stays a link.
std::filesystem::path LinkTarget(std::filesystem::path file) {
  constexpr int kMostLinksFollowed = 40;  // more are taken for links that go round in a circle
  std::error_code error;
  for (int hop = 0; hop < kMostLinksFollowed && std::filesystem::is_symlink(file, error); ++hop) {
    const std::filesystem::path next = std::filesystem::read_symlink(file, error);
    if (error) break;
    file = file.parent_path() / next;  // a relative link is read from the link's own folder
  }
  return file;
}

bool WriteWhole(std::ofstream& out, const std::string& content) {
  out << content;
  out.close();
  return !out.fail();
}

// Writes `content` as a new file beside `target` and renames it over `target`, so that a failure
// part-way leaves the old file whole. False, with nothing left behind, where the new file cannot
// be made or cannot take the old one's place with its permission bits; raises Error, with nothing
// left behind, where it cannot be written.
bool ReplaceWithNewFile(const std::filesystem::path& target, const std::string& content) {
  std::filesystem::path temporary = target;
  temporary += ".new";
  std::error_code ignored;
  std::filesystem::remove(temporary, ignored);  // left by an interrupted save
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  if (!out.is_open()) return false;
  if (!WriteWhole(out, content)) {
    std::filesystem::remove(temporary, ignored);
    throw Error("settings file cannot be written");
  }
  std::error_code failure;
  const std::filesystem::file_status old = std::filesystem::status(target, ignored);
  if (std::filesystem::exists(old)) {
    std::filesystem::permissions(temporary, old.permissions(), failure);
  }
  if (!failure) std::filesystem::rename(temporary, target, failure);
  if (!failure) return true;
  std::filesystem::remove(temporary, ignored);
  return false;
}

// Whether this user may write the file that is there, as the system decides it for them (the
// permission bits and the owner, a read-only mount, an administrator's privileges), found by
// opening it for writing at its end, which changes nothing in it. A renamed new file would take
// the place of a file that the user may not write, so the check comes first. A file that is not
// there, or is no plain file, is left to the save itself.
bool MayBeWritten(const std::filesystem::path& file) {
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(file, ignored)) return true;
  return std::ofstream(file, std::ios::binary | std::ios::app).is_open();
}

void ReplaceFile(const std::filesystem::path& file, const std::string& content) {
  const std::filesystem::path target = LinkTarget(file);
  if (!MayBeWritten(target)) throw Error("settings file may not be written");
  if (ReplaceWithNewFile(target, content)) return;
  // A folder that takes no new file can still hold a file that may be rewritten.
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  if (!WriteWhole(out, content)) throw Error("settings file cannot be written");
}

}  // namespace

void LoadSettings(PanelState& state, PanelControls& controls, const std::filesystem::path& file) {
  try {
    RestoreFromFile(state, controls, file);
  } catch (const std::exception&) {
    ApplyDefaults(state, controls);
  }
}

void SaveSettings(PanelState& state, PanelControls& controls, const std::filesystem::path& file) {
  std::ostringstream out;
  for (const CheckBox* box :
       {&controls.check1, &controls.check2, &controls.check3, &controls.check4, &controls.check5}) {
    WriteFlag(out, *box);
  }
  WriteNumber(out, state.comPort);
  const int pitchCenter = controls.vScroll1.Value();
  WriteNumber(out, kCentreTop - pitchCenter);
  const int rollCenter = controls.hScroll1.Value();
  WriteNumber(out, rollCenter);
  const auto pitchLevel = SelectedLevel(controls.pitchLevels);
  if (pitchLevel) WriteNumber(out, *pitchLevel);
  const auto rollLevel = SelectedLevel(controls.rollLevels);
  if (rollLevel) WriteNumber(out, *rollLevel);

  ReplaceFile(file, out.str());

  state.pitchCenter = static_cast<std::int16_t>(pitchCenter);
  state.rollCenter = static_cast<std::int16_t>(rollCenter);
  if (pitchLevel) state.pitchExpressLevel = *pitchLevel;
  if (rollLevel) state.rollExpressLevel = *rollLevel;
}

}  // namespace veltrano
