#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veltrano {

// The four line settings of a serial port, as the settings text "baud,parity,databits,stopbits"
// ("19200,N,8,1") gives them.
struct SerialLineSettings {
  enum class StopBits { kOne, kOneAndHalf, kTwo };

  std::int32_t baud = 9600;  // bits per second, above 0
  char parity = 'N';         // N(one), E(ven), O(dd), M(ark) or S(pace)
  int dataBits = 8;          // 5..8
  StopBits stopBits = StopBits::kOne;

  bool operator==(const SerialLineSettings&) const = default;
};

// Reads a settings text: the baud rate a positive whole number, the parity letter in either case,
// 5 to 8 data bits, and 1, 1.5 or 2 stop bits, separated by single commas with no spaces. Gives
// nothing for any other text.
std::optional<SerialLineSettings> ParseSerialLineSettings(std::string_view text);

// The settings text in its plain form, parity in upper case: "19200,N,8,1".
std::string FormatSerialLineSettings(const SerialLineSettings& settings);

}  // namespace veltrano
