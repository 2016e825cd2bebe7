#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "packet_splitter.h"

namespace veltrano::virtual_platform {

// The platform's state as the packets tell it, and how the line fares, in text: a status area of
// a few lines for a terminal, redrawn in place, and a one-line summary for anything else.
class PlatformView {
 public:
  using Clock = std::chrono::steady_clock;

  // Packets further apart than this mean the sender has stopped.
  static constexpr Clock::duration kQuietLimit = std::chrono::milliseconds(500);

  void Accept(const ActuatorPacket& packet, Clock::time_point now);
  void SetDroppedBytes(std::uint64_t droppedBytes) { droppedBytes_ = droppedBytes; }

  std::vector<std::string> StatusArea(Clock::time_point now);
  std::string SummaryLine(Clock::time_point now);
  std::uint64_t TotalPackets() const { return totalPackets_; }
  std::uint64_t DroppedBytes() const { return droppedBytes_; }

 private:
  bool Quiet(Clock::time_point now) const;
  std::size_t PacketsInLastSecond(Clock::time_point now);
  std::string Counters(Clock::time_point now);

  std::optional<ActuatorPacket> latest_;
  Clock::time_point latestTime_;
  std::deque<Clock::time_point> recentTimes_;  // of the packets within the last second
  std::uint64_t totalPackets_ = 0;
  std::uint64_t droppedBytes_ = 0;
};

// A line of `--print` output: the eight bytes in upper-case hexadecimal, "58 80 7F 00 80 80 03 03".
std::string HexLine(const ActuatorPacket& packet);

}  // namespace veltrano::virtual_platform
