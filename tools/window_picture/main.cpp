// Draws the main window offscreen, as it opens in the current working directory (with the
// settings found there), and writes a PNG picture of it.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string_view>

#include "panel/main_window.h"
#include "platform/posix/posix_link_transport.h"
#include "platform/posix/posix_system_clock.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_toolkit.h"
#include "version.h"

namespace {

constexpr char kUsage[] =
    "Usage: window-picture FILE.png\n"
    "\n"
    "Draws the control window offscreen, as it opens in the working directory (with the\n"
    "settings found there), and saves a picture of it as FILE.png.\n"
    "\n"
    "  --help     show this text\n"
    "  --version  show the version\n";

}  // namespace

int main(int argc, char** argv) {
  const std::string_view arg = argc == 2 ? argv[1] : "";
  if (arg == "--help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (arg == "--version") {
    std::printf("window-picture %s\n", veltrano::kVersion);
    return 0;
  }
  if (arg.empty() || arg.starts_with('-')) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  try {
    veltrano::QtToolkit toolkit(argc, argv);
    veltrano::PosixLinkTransport link;
    veltrano::PosixSystemClock clock;
    veltrano::Form1 form(toolkit, std::make_unique<veltrano::QtSerialPort>(), link, clock);
    form.Show();
    form.window().SavePicture(argv[1]);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "window-picture: %s\n", failure.what());
    return 1;
  }
  return 0;
}
