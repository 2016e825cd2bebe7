#include "flightgear_protocol.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace veltrano::simserver {

namespace {

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

DatagramReading FlightGearProtocol::Read(std::string_view datagram) {
  std::string_view line = datagram;
  if (line.ends_with('\n')) line.remove_suffix(1);
  if (line.ends_with('\r')) line.remove_suffix(1);
  std::vector<double> numbers;
  for (;;) {
    const auto comma = line.find(',');
    const std::string_view field = Trim(line.substr(0, comma));
    double number = 0.0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), number);
    if (field.empty() || error != std::errc() || end != field.data() + field.size()) {
      return {.values = std::nullopt, .fault = "not a number: '" + std::string(field) + "'"};
    }
    if (!std::isfinite(number)) {
      return {.values = std::nullopt, .fault = "not a finite number: " + std::string(field)};
    }
    numbers.push_back(number);
    if (comma == std::string_view::npos) break;
    line.remove_prefix(comma + 1);
  }
  if (numbers.size() != 5) {
    return {.values = std::nullopt,
            .fault = std::to_string(numbers.size()) + " fields instead of 5"};
  }
  return {.values = SimulatorValues{.pitch = numbers[0],
                                    .bank = numbers[1],
                                    .slip = numbers[2],
                                    .rpm = numbers[3],
                                    .speed = numbers[4]},
          .fault = {}};
}

}  // namespace veltrano::simserver
