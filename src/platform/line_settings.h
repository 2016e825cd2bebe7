#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veltrano {

// The serial ports configure the one line that the platform's controller speaks: 8 data bits,
// no parity, 1 stop bit, at a baud rate of the program's choosing. Its settings text is
// "19200,N,8,1"; a text that asks for any other line is refused.
inline std::optional<std::int32_t> BaudOfLineSettings(std::string_view text) {
  const auto comma = text.find(',');
  if (comma == std::string_view::npos || comma == 0) return std::nullopt;
  const std::string_view rest = text.substr(comma);
  if (rest != ",N,8,1" && rest != ",n,8,1") return std::nullopt;
  std::int32_t baud = 0;
  const char* end = text.data() + comma;
  // Digits only: from_chars alone would also take a leading minus sign.
  if (text.front() < '0' || text.front() > '9') return std::nullopt;
  const auto [stop, error] = std::from_chars(text.data(), end, baud);
  if (error != std::errc() || stop != end || baud <= 0) return std::nullopt;
  return baud;
}

// The settings text of that line at `baud`.
inline std::string LineSettingsText(std::int32_t baud) { return std::to_string(baud) + ",N,8,1"; }

}  // namespace veltrano
