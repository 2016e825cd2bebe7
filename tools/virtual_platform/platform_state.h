#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

#include "axis_motion.h"
#include "packet_splitter.h"

namespace veltrano::virtual_platform {

// Everything the virtual platform shows, from the packets of the serial line and the times the
// caller gives: where the two axes are on their way to the commanded positions, the vibration,
// the cues of the last ten seconds and how the line fares. Times never go back; a time earlier
// than one already given counts as that one.
class PlatformState {
 public:
  using Clock = std::chrono::steady_clock;

  // Packets further apart than this mean the sender has stopped.
  static constexpr Clock::duration kSilenceLimit = std::chrono::milliseconds(500);
  // How far back the cues are kept for the strip chart.
  static constexpr Clock::duration kHistorySpan = std::chrono::seconds(10);

  struct Sample {
    Clock::time_point time;
    PlatformPacket packet;
  };

  struct Shake {
    double x = 0;
    double y = 0;
  };

  // Takes a packet that arrived at `now`: the axes head for its positions from then on.
  void Accept(const PlatformPacket& packet, Clock::time_point now);
  // The bytes that the line has dropped so far while looking for the start of a packet.
  void SetDroppedBytes(std::uint64_t droppedBytes) { droppedBytes_ = droppedBytes; }
  // Moves the axes on to `now`.
  void AdvanceTo(Clock::time_point now);

  const AxisMotion& Pitch() const { return pitch_; }
  const AxisMotion& Roll() const { return roll_; }
  std::uint8_t Vibration() const;
  // Where the vibration throws the platform at `now`, each coordinate within -1..1: the larger
  // the vibration the larger the throw; none while the line is silent.
  Shake ShakeAt(Clock::time_point now) const;

  // Before the first packet, or when none came for longer than kSilenceLimit.
  bool Silent(Clock::time_point now) const;
  const std::optional<Sample>& Latest() const { return latest_; }
  // The packets of the last kHistorySpan before the latest one, oldest first.
  const std::deque<Sample>& History() const { return history_; }
  std::size_t PacketsInLastSecond(Clock::time_point now) const;
  std::optional<Clock::duration> LastInterval() const { return lastInterval_; }
  std::uint64_t TotalPackets() const { return totalPackets_; }
  std::uint64_t DroppedBytes() const { return droppedBytes_; }

 private:
  AxisMotion pitch_;
  AxisMotion roll_;
  std::optional<Clock::time_point> movedTo_;
  std::optional<Sample> latest_;
  std::deque<Sample> history_;
  std::optional<Clock::duration> lastInterval_;
  std::uint64_t totalPackets_ = 0;
  std::uint64_t droppedBytes_ = 0;
};

}  // namespace veltrano::virtual_platform
