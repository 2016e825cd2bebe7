#pragma once

#include <time.h>

#include "protocol/platform_packet.h"

namespace veltrano::bench {

// Neutral cues, centres 128, levels 3: a packet that any packet splitter takes.
inline constexpr PlatformPacket kReferencePacket = [] {
  PlatformPacket packet{};
  packet[kHeaderByte] = kPlatformPacketHeader;
  packet[kPitchCueByte] = packet[kRollCueByte] = 0x80;
  packet[kVibrationCueByte] = 0x00;
  packet[kPitchCentreByte] = packet[kRollCentreByte] = 0x80;
  packet[kPitchLevelByte] = packet[kRollLevelByte] = 3;
  return packet;
}();

// The processor time this process has taken, in nanoseconds.
inline long long ProcessCpuNs() {
  timespec used{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
  return used.tv_sec * 1'000'000'000LL + used.tv_nsec;
}

}  // namespace veltrano::bench
