// The motion platform's control program: one window that drives the platform on a serial port
// from the flight simulator's data server.

#include <memory>

#include "panel/main_window.h"
#include "platform/posix/posix_link_transport.h"
#include "platform/posix/posix_system_clock.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_toolkit.h"

int main(int argc, char** argv) {
  veltrano::QtToolkit toolkit(argc, argv);
  veltrano::PosixLinkTransport link;
  veltrano::PosixSystemClock clock;
  veltrano::Form1 form(toolkit, std::make_unique<veltrano::QtSerialPort>(), link, clock);
  form.Show();
  return toolkit.Run();
}
