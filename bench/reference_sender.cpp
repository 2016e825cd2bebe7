// The machine's floor for sending on time: writes an eight-byte packet every 50 ms on an absolute
// schedule, so that a late wake-up never shifts the packets after it. What a reader measures of
// these packets is the best that this machine, its scheduler and its pseudo-terminals allow, and
// what it costs is the least that waking for each packet and writing it can cost.
//   reference-sender DEVICE COUNT
// Standard output, once done: "cpu NS", the processor time taken from the first packet's wait on.

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "protocol/platform_packet.h"

namespace {

constexpr long kPeriodNs = 50'000'000;
// Neutral cues, centres 128, levels 3: a packet that any packet splitter takes.
constexpr veltrano::PlatformPacket kPacket = [] {
  using namespace veltrano;
  PlatformPacket packet{};
  packet[kHeaderByte] = kPlatformPacketHeader;
  packet[kPitchCueByte] = packet[kRollCueByte] = 0x80;
  packet[kVibrationCueByte] = 0x00;
  packet[kPitchCentreByte] = packet[kRollCentreByte] = 0x80;
  packet[kPitchLevelByte] = packet[kRollLevelByte] = 3;
  return packet;
}();

long long ProcessCpuNs() {
  timespec used{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
  return used.tv_sec * 1'000'000'000LL + used.tv_nsec;
}

void AddPeriod(timespec& when) {
  when.tv_nsec += kPeriodNs;
  if (when.tv_nsec >= 1'000'000'000) {
    when.tv_nsec -= 1'000'000'000;
    ++when.tv_sec;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: reference-sender DEVICE COUNT\n", stderr);
    return 2;
  }
  const long count = std::atol(argv[2]);
  const int device = open(argv[1], O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (device < 0) {
    std::perror(argv[1]);
    return 1;
  }
  const long long cpuAtStart = ProcessCpuNs();
  timespec next{};
  clock_gettime(CLOCK_MONOTONIC, &next);
  for (long sent = 0; sent < count; ++sent) {
    AddPeriod(next);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {
    }
    if (write(device, kPacket.data(), kPacket.size()) != static_cast<ssize_t>(kPacket.size())) {
      std::perror("write");
      return 1;
    }
  }
  close(device);
  std::printf("cpu %lld\n", ProcessCpuNs() - cpuAtStart);
  return 0;
}
