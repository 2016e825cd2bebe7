#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "protocol/platform_packet.h"

namespace veltrano::virtual_platform {

// Cuts the byte stream from the serial line into platform packets. The packet has no length,
// checksum or escaping, and data bytes may equal the header byte, so a packet is taken only when
// it starts with the header byte and both levels are in range. Otherwise the bytes up to the next
// header byte are dropped and the search starts again there. A packet cut short waits for the
// rest.
class PacketSplitter {
 public:
  // The packets that `bytes` complete, in order.
  std::vector<PlatformPacket> Feed(std::string_view bytes);

  std::uint64_t DroppedBytes() const { return droppedBytes_; }
  std::size_t PendingBytes() const { return pending_.size(); }

 private:
  std::vector<std::uint8_t> pending_;
  std::uint64_t droppedBytes_ = 0;
};

}  // namespace veltrano::virtual_platform
