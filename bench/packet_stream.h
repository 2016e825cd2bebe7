#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "packet_splitter.h"
#include "protocol/platform_packet.h"
#include "pseudo_terminal_link.h"
#include "timed_platform.h"

namespace veltrano::bench {

struct Arrival {
  BenchClock::time_point when;
  PlatformPacket packet;
};

// The packets arriving on a pseudo-terminal, each stamped with the time its bytes were read.
class PacketStream {
 public:
  explicit PacketStream(int portNumber) : link_(portNumber) {}
  const virtual_platform::PseudoTerminalLink& Link() const { return link_; }
  const std::vector<Arrival>& Arrivals() const { return arrivals_; }
  // What has arrived so far, leaving the stream empty for the next run on the same port.
  std::vector<Arrival> TakeArrivals();

  void Take();

 private:
  virtual_platform::PseudoTerminalLink link_;
  virtual_platform::PacketSplitter splitter_;
  std::vector<Arrival> arrivals_;
};

// Reads the streams until each has `packets`; gives up when nothing arrives for five seconds.
void Record(std::span<PacketStream* const> streams, std::size_t packets);

}  // namespace veltrano::bench
