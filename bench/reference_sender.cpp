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
#include <cstdio>
#include <cstdlib>

#include "reference_packet.h"

namespace {

using veltrano::bench::kReferencePacket;
using veltrano::bench::ProcessCpuNs;

constexpr long kPeriodNs = 50'000'000;

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
    if (write(device, kReferencePacket.data(), kReferencePacket.size()) !=
        static_cast<ssize_t>(kReferencePacket.size())) {
      std::perror("write");
      return 1;
    }
  }
  close(device);
  std::printf("cpu %lld\n", ProcessCpuNs() - cpuAtStart);
  return 0;
}
