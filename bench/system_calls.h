#pragma once

#include <cstddef>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace veltrano::bench {

// What a process made of system calls from one packet to the next, read from the log of
// `strace -f -y -qq -o FILE` (every thread, descriptors shown with what they lead to).
struct SystemCalls {
  std::size_t ticks = 0;   // intervals between the first and the last packet
  double perTick = 0;      // calls of all threads in them, a tick
  double linkPerTick = 0;  // of which naming a connection to the data server
  std::vector<std::pair<std::string, double>> byName;  // a tick, most frequent first
};

// `packetDevice` is the serial line's path (/dev/pts/N): a write of a whole packet there marks a
// tick. The data server's connections are the AF_UNIX sockets connected to an address that
// contains `serverName`. Raises std::runtime_error when fewer than two packets were written.
SystemCalls CountSystemCalls(const std::filesystem::path& log, const std::string& packetDevice,
                             const std::string& serverName);

}  // namespace veltrano::bench
