#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace veltrano::virtual_platform {

// Sync byte, pitch, roll and vibration cues, pitch and roll centres, pitch and roll levels.
using ActuatorPacket = std::array<std::uint8_t, 8>;

enum PacketByte : std::size_t {
  kSync,
  kPitchCue,
  kRollCue,
  kVibrationCue,
  kPitchCentre,
  kRollCentre,
  kPitchLevel,
  kRollLevel,
};

inline constexpr std::uint8_t kSyncByte = 'X';

// Cuts the byte stream from the serial line into actuator packets. The packet has no length,
// checksum or escaping, and data bytes may equal the sync byte, so a packet is taken only when it
// starts with the sync byte and both levels are 1..5. Otherwise the bytes up to the next sync
// byte are dropped and the search starts again there. A packet cut short waits for the rest.
class PacketSplitter {
 public:
  // The packets that `bytes` complete, in order.
  std::vector<ActuatorPacket> Feed(std::string_view bytes);

  std::uint64_t DroppedBytes() const { return droppedBytes_; }
  std::size_t PendingBytes() const { return pending_.size(); }

 private:
  std::vector<std::uint8_t> pending_;
  std::uint64_t droppedBytes_ = 0;
};

}  // namespace veltrano::virtual_platform
