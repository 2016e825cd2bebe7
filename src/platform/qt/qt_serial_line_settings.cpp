#include "platform/qt/qt_serial_line_settings.h"

#include <array>
#include <cctype>
#include <charconv>
#include <vector>

namespace veltrano {
namespace {

std::vector<std::string_view> SplitAtCommas(std::string_view text) {
  std::vector<std::string_view> fields;
  for (;;) {
    const auto comma = text.find(',');
    fields.push_back(text.substr(0, comma));
    if (comma == std::string_view::npos) return fields;
    text.remove_prefix(comma + 1);
  }
}

// Digits only: from_chars alone would also take a leading minus sign.
std::optional<std::int32_t> ParseWholeNumber(std::string_view field) {
  if (field.empty()) return std::nullopt;
  for (const char c : field) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (error != std::errc() || end != field.data() + field.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<SerialLineSettings> ParseSerialLineSettings(std::string_view text) {
  const auto fields = SplitAtCommas(text);
  if (fields.size() != 4) return std::nullopt;
  SerialLineSettings settings;

  const auto baud = ParseWholeNumber(fields[0]);
  if (!baud || *baud <= 0) return std::nullopt;
  settings.baud = *baud;

  if (fields[1].size() != 1) return std::nullopt;
  settings.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(fields[1][0])));
  if (std::string_view("NEOMS").find(settings.parity) == std::string_view::npos) {
    return std::nullopt;
  }

  const auto dataBits = ParseWholeNumber(fields[2]);
  if (fields[2].size() != 1 || !dataBits || *dataBits < 5 || *dataBits > 8) return std::nullopt;
  settings.dataBits = *dataBits;

  if (fields[3] == "1") {
    settings.stopBits = SerialLineSettings::StopBits::kOne;
  } else if (fields[3] == "1.5") {
    settings.stopBits = SerialLineSettings::StopBits::kOneAndHalf;
  } else if (fields[3] == "2") {
    settings.stopBits = SerialLineSettings::StopBits::kTwo;
  } else {
    return std::nullopt;
  }
  return settings;
}

std::string FormatSerialLineSettings(const SerialLineSettings& settings) {
  static constexpr std::array<std::string_view, 3> kStopBitsText = {"1", "1.5", "2"};
  std::string text = std::to_string(settings.baud);
  text += ',';
  text += settings.parity;
  text += ',';
  text += std::to_string(settings.dataBits);
  text += ',';
  text += kStopBitsText[static_cast<std::size_t>(settings.stopBits)];
  return text;
}

}  // namespace veltrano
