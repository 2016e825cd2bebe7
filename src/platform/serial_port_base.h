#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>

#include "platform/error.h"
#include "platform/line_settings.h"
#include "platform/serial_port.h"

namespace veltrano {

// What the serial ports of both systems do alike: the port number (1..255, set only while
// closed), the line settings ("baud,N,8,1", see line_settings.h; default "9600,N,8,1"), opening
// an open port or closing a closed one doing nothing, and the failure report. A system's port
// supplies the device work.
class SerialPortBase : public SerialPort {
 public:
  void SetCommPort(std::int16_t number) final {
    if (PortOpen()) throw Error("Port already open");
    if (number < 1 || number > 255) throw Error("Invalid port number");
    commPort_ = number;
  }

  // Takes effect at once on an open port.
  void SetSettings(std::string_view settings) final {
    const auto baud = BaudOfLineSettings(settings);
    if (!baud) throw Error("Invalid property value");
    if (PortOpen()) ChangeBaud(*baud);
    baud_ = *baud;
  }

  void SetPortOpen(bool open) final {
    ++requests_;
    if (open == PortOpen()) return;
    if (open) {
      Open();
    } else {
      Close();
    }
  }

  // A device that fails while open closes the port at once; the handler then runs once from the
  // window's event loop, unless the program opens or closes the port first.
  void OnFailure(std::function<void()> handler) final { onFailure_ = std::move(handler); }

 protected:
  std::int16_t CommPortNumber() const { return commPort_; }
  std::int32_t Baud() const { return baud_; }

  // Opens the device of CommPortNumber() at Baud(); raises Error and stays closed when it cannot.
  virtual void Open() = 0;
  virtual void Close() = 0;
  // Sets the open device to `baud`; raises Error when the device refuses it.
  virtual void ChangeBaud(std::int32_t baud) = 0;

  // The count of the program's opens and closes, to hand to ReportFailure when the event loop
  // brings the report of a failure.
  std::uint64_t Requests() const { return requests_; }
  // Runs the failure handler, unless the program has opened or closed the port since the device
  // failed, which would make the report stale.
  void ReportFailure(std::uint64_t requestsWhenFailed) {
    if (requestsWhenFailed == requests_ && onFailure_) onFailure_();
  }

 private:
  std::int16_t commPort_ = 1;
  std::int32_t baud_ = 9600;
  std::function<void()> onFailure_;
  std::uint64_t requests_ = 0;
};

}  // namespace veltrano
