#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace veltrano {

// The packet that goes to the motion platform's controller once a tick: a header byte and seven
// data bytes, with no length, checksum or escaping. Data bytes may equal the header byte.
inline constexpr std::size_t kPlatformPacketSize = 8;
inline constexpr std::uint8_t kPlatformPacketHeader = 'X';

using PlatformPacket = std::array<std::uint8_t, kPlatformPacketSize>;

// Where each byte is in the packet. Cues and centres are 0..255; the levels, the axes' movement
// speeds, are 1..5.
enum PlatformPacketByte : std::size_t {
  kHeaderByte,
  kPitchCueByte,
  kRollCueByte,
  kVibrationCueByte,
  kPitchCentreByte,
  kRollCentreByte,
  kPitchLevelByte,
  kRollLevelByte,
};
static_assert(kRollLevelByte + 1 == kPlatformPacketSize);

inline constexpr std::uint8_t kLowestLevel = 1;
inline constexpr std::uint8_t kHighestLevel = 5;

}  // namespace veltrano
