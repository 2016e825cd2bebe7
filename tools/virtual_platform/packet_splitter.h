#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "protocol/platform_packet.h"
#include "protocol/platform_packet_framer.h"

namespace veltrano::virtual_platform {

// Cuts the byte stream from the serial line into platform packets, as the platform's firmware
// does (PlatformPacketFramer), in reads of any size.
class PacketSplitter {
 public:
  // The packets that `bytes` complete, in order.
  std::vector<PlatformPacket> Feed(std::string_view bytes);

  std::uint64_t DroppedBytes() const { return framer_.DroppedBytes(); }
  std::size_t PendingBytes() const { return framer_.PendingBytes(); }

 private:
  PlatformPacketFramer framer_;
};

}  // namespace veltrano::virtual_platform
