#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/serial_port.h"

namespace veltrano::testing {

// An open port that keeps what is written, for tests that look at the packets and not the line.
struct RecordingSerialPort final : SerialPort {
  void SetCommPort(std::int16_t) override {}
  void SetSettings(std::string_view) override {}
  void SetPortOpen(bool) override {}
  bool PortOpen() const override { return true; }
  void Output(std::string_view bytes) override { writes.emplace_back(bytes); }
  void OnFailure(std::function<void()>) override {}

  std::vector<std::string> writes;
};

}  // namespace veltrano::testing
