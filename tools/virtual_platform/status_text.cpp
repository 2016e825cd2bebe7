#include "status_text.h"

#include <cstdio>

namespace veltrano::virtual_platform {
namespace {

using Clock = PlatformState::Clock;

constexpr int kBarCells = 51;

int Cell(std::uint8_t value) { return value * (kBarCells - 1) / 255; }

std::string Format(const char* format, auto... values) {
  char text[256];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

// A position on its axis, 0 to 255 from left to right, with the axis's centre marked.
std::string PositionBar(std::uint8_t position, std::uint8_t centre) {
  std::string bar(kBarCells, '.');
  bar[static_cast<std::size_t>(Cell(centre))] = '|';
  bar[static_cast<std::size_t>(Cell(position))] = '#';
  return "[" + bar + "]";
}

std::string LevelBar(std::uint8_t level) {
  const auto filled = static_cast<std::size_t>(level == 0 ? 0 : Cell(level) + 1);
  std::string bar = "[";
  bar.append(filled, '=').append(kBarCells - filled, ' ') += ']';
  return bar;
}

std::string Counters(const PlatformState& state, Clock::time_point now) {
  return Format("packets: %llu (%zu/s), dropped bytes: %llu",
                static_cast<unsigned long long>(state.TotalPackets()),
                state.PacketsInLastSecond(now),
                static_cast<unsigned long long>(state.DroppedBytes()));
}

const char* LineState(const PlatformState& state, Clock::time_point now) {
  return state.Silent(now) ? "no packets" : "receiving";
}

}  // namespace

std::vector<std::string> StatusArea(const PlatformState& state, Clock::time_point now) {
  std::vector<std::string> lines;
  if (const auto& latest = state.Latest()) {
    const PlatformPacket& p = latest->packet;
    lines.push_back(Format("pitch     %s %3d  centre %3d  level %d",
                           PositionBar(p[kPitchCueByte], p[kPitchCentreByte]).c_str(),
                           p[kPitchCueByte], p[kPitchCentreByte], p[kPitchLevelByte]));
    lines.push_back(Format("roll      %s %3d  centre %3d  level %d",
                           PositionBar(p[kRollCueByte], p[kRollCentreByte]).c_str(),
                           p[kRollCueByte], p[kRollCentreByte], p[kRollLevelByte]));
    lines.push_back(
        Format("vibration %s %3d", LevelBar(p[kVibrationCueByte]).c_str(), p[kVibrationCueByte]));
  } else {
    lines.assign(3, "");
    lines[0] = "waiting for the first packet";
  }
  lines.push_back(Format("%-11s", LineState(state, now)) + Counters(state, now));
  return lines;
}

std::string SummaryLine(const PlatformState& state, Clock::time_point now) {
  std::string line = LineState(state, now);
  if (const auto& latest = state.Latest()) {
    const PlatformPacket& p = latest->packet;
    line += Format(": pitch %d (centre %d, level %d), roll %d (centre %d, level %d), vibration %d",
                   p[kPitchCueByte], p[kPitchCentreByte], p[kPitchLevelByte], p[kRollCueByte],
                   p[kRollCentreByte], p[kRollLevelByte], p[kVibrationCueByte]);
  }
  return line + "; " + Counters(state, now);
}

std::string HexLine(const PlatformPacket& packet) {
  std::string line;
  for (const std::uint8_t byte : packet) {
    if (!line.empty()) line += ' ';
    line += Format("%02X", byte);
  }
  return line;
}

}  // namespace veltrano::virtual_platform
