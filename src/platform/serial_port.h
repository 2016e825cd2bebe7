#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace veltrano {

// The serial communications control as the program uses it: a port number, the line settings
// text, the open state and the output. Setting any property can fail with an Error (a refused
// number or settings text, a port that is missing or in use, a write to a closed port).
class SerialPort {
 public:
  virtual ~SerialPort() = default;

  virtual void SetCommPort(std::int16_t number) = 0;  // 1 selects the first port

  // "baud,parity,databits,stopbits", e.g. "19200,N,8,1".
  virtual void SetSettings(std::string_view settings) = 0;

  virtual void SetPortOpen(bool open) = 0;
  virtual bool PortOpen() const = 0;

  // Sends the character codes of `bytes` as bytes, in order and untranslated.
  virtual void Output(std::string_view bytes) = 0;

  // Called on the window's thread when an open port fails on its own (a USB adapter pulled out).
  // The port is already closed when it is called.
  virtual void OnFailure(std::function<void()> handler) = 0;
};

}  // namespace veltrano
