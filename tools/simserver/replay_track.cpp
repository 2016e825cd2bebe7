#include "replay_track.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <utility>

#include "platform/error.h"

namespace veltrano::simserver {

namespace {

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// The comma-separated numbers of one line; false when a field is not a finite number.
bool ParseNumbers(std::string_view line, std::vector<double>& numbers) {
  numbers.clear();
  for (;;) {
    const auto comma = line.find(',');
    const std::string_view field = Trim(line.substr(0, comma));
    double number = 0.0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), number);
    if (field.empty() || error != std::errc() || end != field.data() + field.size() ||
        !std::isfinite(number)) {
      return false;
    }
    numbers.push_back(number);
    if (comma == std::string_view::npos) return true;
    line.remove_prefix(comma + 1);
  }
}

// The column names, in any case, with blanks around them allowed: nothing else is a header, so a
// first row with a typo is reported like any other row instead of being dropped.
bool IsHeader(std::string_view line) {
  constexpr std::string_view kNames[] = {"time_s", "pitch", "bank", "slip", "rpm", "speed"};
  for (std::size_t column = 0; column < std::size(kNames); ++column) {
    const auto comma = line.find(',');
    const bool last = column + 1 == std::size(kNames);
    if ((comma == std::string_view::npos) != last) return false;
    const std::string_view name = Trim(line.substr(0, comma));
    if (!std::ranges::equal(name, kNames[column], [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) == b;
        })) {
      return false;
    }
    line.remove_prefix(last ? line.size() : comma + 1);
  }
  return true;
}

}  // namespace

ReplayTrack ReplayTrack::Parse(std::istream& text, const std::string& sourceName) {
  std::vector<Row> rows;
  std::vector<double> numbers;
  std::string line;
  int lineNumber = 0;
  bool firstContent = true;
  while (std::getline(text, line)) {
    ++lineNumber;
    const std::string_view content = Trim(line);
    if (content.empty()) continue;
    const auto where = sourceName + " line " + std::to_string(lineNumber) + ": ";
    if (std::exchange(firstContent, false) && IsHeader(content)) continue;
    if (!ParseNumbers(content, numbers)) {
      if (content.find(';') != std::string_view::npos) {
        throw Error(where + "fields separated by semicolons; the columns need commas");
      }
      throw Error(where + "expected numbers time_s,pitch,bank,slip,rpm,speed");
    }
    if (numbers.size() != 6) throw Error(where + "expected 6 columns");
    if (numbers[0] < 0.0) throw Error(where + "time before 0");
    if (!rows.empty() && numbers[0] <= rows.back().time) {
      throw Error(where + "time does not increase");
    }
    rows.push_back(Row{numbers[0], FlightValues{.pitch = numbers[1],
                                                .bank = SignedBank(numbers[2]),
                                                .slip = numbers[3],
                                                .rpm = numbers[4],
                                                .speed = numbers[5]}});
  }
  if (rows.empty()) throw Error(sourceName + ": no rows");
  return ReplayTrack(std::move(rows));
}

ReplayTrack ReplayTrack::Load(const std::string& path) {
  // A directory opens like a file here and would read as empty.
  if (std::filesystem::is_directory(path)) throw Error(path + ": is a directory, not a CSV file");
  std::ifstream file(path);
  if (!file) throw Error(path + ": cannot be read");
  return Parse(file, path);
}

FlightValues ReplayTrack::At(double seconds) const {
  const double length = rows_.back().time;
  double t = length > 0.0 ? std::fmod(seconds, length) : 0.0;
  if (t < 0.0) t += length;
  // Recordings of whole flights hold a row for every value served: search, do not walk.
  const auto after = std::upper_bound(rows_.begin(), rows_.end(), t,
                                      [](double time, const Row& row) { return time < row.time; });
  const auto next = static_cast<std::size_t>(after - rows_.begin());
  FlightValues values;
  if (next == 0) {
    values = rows_.front().values;
  } else if (next == rows_.size()) {
    values = rows_.back().values;
  } else {
    const Row& a = rows_[next - 1];
    const Row& b = rows_[next];
    const double fraction = (t - a.time) / (b.time - a.time);
    values = FlightValues{.pitch = std::lerp(a.values.pitch, b.values.pitch, fraction),
                          .bank = std::lerp(a.values.bank, b.values.bank, fraction),
                          .slip = std::lerp(a.values.slip, b.values.slip, fraction),
                          .rpm = std::lerp(a.values.rpm, b.values.rpm, fraction),
                          .speed = std::lerp(a.values.speed, b.values.speed, fraction)};
  }
  values.bank = ServedBank(values.bank);
  return values;
}

}  // namespace veltrano::simserver
