// The motion platform's control program on Windows: one window that drives the platform on a
// serial port from the flight simulator's data server.

#include "platform/win32/win32_api.h"

#include <memory>

#include "panel/main_window.h"
#include "platform/win32/win32_link_transport.h"
#include "platform/win32/win32_serial_port.h"
#include "platform/win32/win32_system_clock.h"
#include "platform/win32/win32_toolkit.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  veltrano::Win32Toolkit toolkit;
  veltrano::Win32LinkTransport link;
  veltrano::Win32SystemClock clock;
  veltrano::Form1 form(toolkit, std::make_unique<veltrano::Win32SerialPort>(), link, clock);
  form.Show();
  return toolkit.Run();
}
