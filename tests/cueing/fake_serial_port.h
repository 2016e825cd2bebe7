#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/serial_port.h"

namespace veltrano::testing {

// Records what is written; a closed port refuses the write as a real one does.
class FakeSerialPort final : public SerialPort {
 public:
  void SetCommPort(std::int16_t number) override { number_ = number; }
  std::int16_t CommPort() const override { return number_; }
  void SetSettings(std::string_view settings) override { settings_ = settings; }
  std::string Settings() const override { return settings_; }
  void SetPortOpen(bool open) override { open_ = open; }
  bool PortOpen() const override { return open_; }

  void Output(std::string_view bytes) override {
    if (!open_) throw Error("Port is closed");
    writes.emplace_back(bytes);
  }

  void OnFailure(std::function<void()> handler) override { failure_ = std::move(handler); }

  std::vector<std::string> writes;

 private:
  std::int16_t number_ = 1;
  std::string settings_ = "19200,N,8,1";
  bool open_ = true;
  std::function<void()> failure_;
};

}  // namespace veltrano::testing
