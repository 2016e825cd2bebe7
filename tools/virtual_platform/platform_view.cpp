#include "platform_view.h"

#include <cstdio>

namespace veltrano::virtual_platform {
namespace {

constexpr int kBarCells = 51;

int Cell(std::uint8_t value) { return value * (kBarCells - 1) / 255; }

std::string Format(const char* format, auto... values) {
  char text[256];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

// A position on its axis, 0 to 255 from left to right, with the axis's centre marked.
// The bars are filled in place: GCC 12 takes "[" + std::string(n, c) for an overlapping copy
// (-Wrestrict) once it is inlined into a release build.
std::string Bracketed(char fill) {
  std::string bar(kBarCells + 2, fill);
  bar.front() = '[';
  bar.back() = ']';
  return bar;
}

std::string PositionBar(std::uint8_t position, std::uint8_t centre) {
  std::string bar = Bracketed('.');
  bar[static_cast<std::size_t>(Cell(centre)) + 1] = '|';
  bar[static_cast<std::size_t>(Cell(position)) + 1] = '#';
  return bar;
}

std::string LevelBar(std::uint8_t level) {
  std::string bar = Bracketed(' ');
  const auto filled = static_cast<std::size_t>(level == 0 ? 0 : Cell(level) + 1);
  bar.replace(1, filled, filled, '=');
  return bar;
}

}  // namespace

void PlatformView::Accept(const ActuatorPacket& packet, Clock::time_point now) {
  latest_ = packet;
  latestTime_ = now;
  recentTimes_.push_back(now);
  PacketsInLastSecond(now);  // keeps only the last second, also when nothing is shown
  ++totalPackets_;
}

bool PlatformView::Quiet(Clock::time_point now) const {
  return !latest_ || now - latestTime_ > kQuietLimit;
}

std::size_t PlatformView::PacketsInLastSecond(Clock::time_point now) {
  while (!recentTimes_.empty() && now - recentTimes_.front() >= std::chrono::seconds(1)) {
    recentTimes_.pop_front();
  }
  return recentTimes_.size();
}

std::string PlatformView::Counters(Clock::time_point now) {
  return Format("packets: %llu (%zu/s), dropped bytes: %llu",
                static_cast<unsigned long long>(totalPackets_), PacketsInLastSecond(now),
                static_cast<unsigned long long>(droppedBytes_));
}

std::vector<std::string> PlatformView::StatusArea(Clock::time_point now) {
  std::vector<std::string> lines;
  if (latest_) {
    const ActuatorPacket& p = *latest_;
    lines.push_back(Format("pitch     %s %3d  centre %3d  level %d",
                           PositionBar(p[1], p[4]).c_str(), p[1], p[4], p[6]));
    lines.push_back(Format("roll      %s %3d  centre %3d  level %d",
                           PositionBar(p[2], p[5]).c_str(), p[2], p[5], p[7]));
    lines.push_back(Format("vibration %s %3d", LevelBar(p[3]).c_str(), p[3]));
  } else {
    lines.assign(3, "");
    lines[0] = "waiting for the first packet";
  }
  lines.push_back((Quiet(now) ? "no data    " : "receiving  ") + Counters(now));
  return lines;
}

std::string PlatformView::SummaryLine(Clock::time_point now) {
  std::string line = Quiet(now) ? "no data" : "receiving";
  if (latest_) {
    const ActuatorPacket& p = *latest_;
    line += Format(": pitch %d (centre %d, level %d), roll %d (centre %d, level %d), vibration %d",
                   p[1], p[4], p[6], p[2], p[5], p[7], p[3]);
  }
  return line + "; " + Counters(now);
}

std::string HexLine(const ActuatorPacket& packet) {
  std::string line;
  for (const std::uint8_t byte : packet) {
    if (!line.empty()) line += ' ';
    line += Format("%02X", byte);
  }
  return line;
}

}  // namespace veltrano::virtual_platform
