// Any bytes as the settings file: loading never fails outward, leaves the window in a state it
// could have been put in by hand, and what START then saves loads back to the same window.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "panel/main_window.h"
#include "panel/settings_file.h"
#include "panel/whole_number.h"
#include "platform/posix/posix_link_transport.h"
#include "platform/posix/posix_system_clock.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_toolkit.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

namespace fs = std::filesystem;

struct Panel {
  int argc = 1;
  char name[9] = "veltrano";
  char* argv[2] = {name, nullptr};
  veltrano::QtToolkit toolkit{argc, argv};
  veltrano::PosixLinkTransport link;
  veltrano::PosixSystemClock clock;
  veltrano::Form1 form{toolkit, std::make_unique<veltrano::QtSerialPort>(), link, clock};
};

Panel* panel = nullptr;
fs::path scratch;

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The controls that the settings file restores, as one comparable text.
std::string Snapshot(veltrano::PanelControls& c) {
  std::string text;
  for (auto* box : {&c.check1, &c.check2, &c.check3, &c.check4, &c.check5}) {
    text += std::to_string(box->Value());
  }
  text += '|' + c.combo1.Text() + '|' + std::to_string(c.vScroll1.Value()) + '|' +
          std::to_string(c.hScroll1.Value()) + '|';
  for (auto* group : {&c.pitchLevels, &c.rollLevels}) {
    for (auto* option : *group) text += option->Value() ? '1' : '0';
  }
  return text;
}

int SelectedCount(const std::array<veltrano::OptionButton*, 5>& group) {
  int count = 0;
  for (auto* option : group) count += option->Value() ? 1 : 0;
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  scratch = fs::temp_directory_path() / ("veltrano-fuzz-" + std::to_string(getpid()));
  fs::create_directories(scratch);
  fs::current_path(scratch);
  panel = new Panel;  // lives as long as the fuzzer: Qt's application object must not go away
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& controls = panel->form.controls();
  auto& state = panel->form.state();
  const fs::path file = scratch / "SETUPSIM.CAP";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  veltrano::LoadSettings(state, controls, file);

  // A state the window can show: the roll centre on its scroll bar, one level at most per axis,
  // the port number that the port box shows. (The pitch centre is taken from its scroll bar at
  // START, so what the load leaves in it is not compared.)
  FUZZ_CHECK(state.rollCenter == controls.hScroll1.Value());
  const bool bothLevelsSelected =
      SelectedCount(controls.pitchLevels) == 1 && SelectedCount(controls.rollLevels) == 1;
  FUZZ_CHECK(SelectedCount(controls.pitchLevels) <= 1);
  FUZZ_CHECK(SelectedCount(controls.rollLevels) <= 1);
  FUZZ_CHECK(veltrano::ParseWholeNumber(controls.combo1.Text()) == state.comPort);

  // What START writes reads back into the same window, and is written again byte for byte. (A
  // level group left without a selection writes no line, and such a file loads as defaults.)
  veltrano::SaveSettings(state, controls, file);
  if (!bothLevelsSelected) return 0;
  const std::string saved = ReadAll(file);
  const std::string before = Snapshot(controls);
  veltrano::LoadSettings(state, controls, file);
  FUZZ_CHECK(Snapshot(controls) == before);
  veltrano::SaveSettings(state, controls, file);
  FUZZ_CHECK(ReadAll(file) == saved);
  return 0;
}
