#include "packet_splitter.h"

#include <algorithm>

namespace veltrano::virtual_platform {

std::vector<PlatformPacket> PacketSplitter::Feed(std::string_view bytes) {
  std::vector<PlatformPacket> packets;
  for (const char byte : bytes) {
    if (!framer_.Push(static_cast<std::uint8_t>(byte))) continue;
    PlatformPacket& packet = packets.emplace_back();
    std::copy_n(framer_.Packet(), packet.size(), packet.begin());
  }
  return packets;
}

}  // namespace veltrano::virtual_platform
