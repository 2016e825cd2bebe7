// Draws the main window offscreen, as it opens in the current working directory (with the
// settings found there), and writes a PNG picture of it.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

#include "panel/main_window.h"
#include "platform/posix/desktop_window_link.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/system_clock.h"

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: window-picture FILE.png\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  try {
    veltrano::QtToolkit toolkit(argc, argv);
    veltrano::DesktopWindowLink link;
    veltrano::SystemClock clock;
    veltrano::Form1 form(toolkit, std::make_unique<veltrano::QtSerialPort>(), link, clock);
    form.Show();
    form.window().SavePicture(argv[1]);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "window-picture: %s\n", failure.what());
    return 1;
  }
  return 0;
}
