#pragma once

// Plain C++14 with the C library's types alone, so that the platform's own firmware (built with
// avr-gcc, which has no C++ library) reads the same facts as the program and its tools.
#include <stddef.h>
#include <stdint.h>

namespace veltrano {

// The packet that goes to the motion platform's controller once a tick: a header byte and seven
// data bytes, with no length, checksum or escaping. Data bytes may equal the header byte.
constexpr size_t kPlatformPacketSize = 8;
constexpr uint8_t kPlatformPacketHeader = 'X';

// Where each byte is in the packet. Cues and centres are 0..255; the levels, the axes' movement
// speeds, are 1..5.
enum PlatformPacketByte : size_t {
  kHeaderByte,
  kPitchCueByte,
  kRollCueByte,
  kVibrationCueByte,
  kPitchCentreByte,
  kRollCentreByte,
  kPitchLevelByte,
  kRollLevelByte,
};
static_assert(kRollLevelByte + 1 == kPlatformPacketSize, "one enumerator a byte");

constexpr uint8_t kLowestLevel = 1;
constexpr uint8_t kHighestLevel = 5;

}  // namespace veltrano
