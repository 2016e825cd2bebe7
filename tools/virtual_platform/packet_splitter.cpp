#include "packet_splitter.h"

#include <algorithm>

namespace veltrano::virtual_platform {
namespace {

bool IsLevel(std::uint8_t byte) { return byte >= kLowestLevel && byte <= kHighestLevel; }

}  // namespace

std::vector<PlatformPacket> PacketSplitter::Feed(std::string_view bytes) {
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  std::vector<PlatformPacket> packets;
  auto start = pending_.begin();
  for (;;) {
    const auto sync = std::find(start, pending_.end(), kPlatformPacketHeader);
    droppedBytes_ += static_cast<std::uint64_t>(sync - start);
    start = sync;
    if (pending_.end() - start < static_cast<std::ptrdiff_t>(kPlatformPacketSize)) break;
    if (IsLevel(start[kPitchLevelByte]) && IsLevel(start[kRollLevelByte])) {
      PlatformPacket& packet = packets.emplace_back();
      std::copy_n(start, packet.size(), packet.begin());
      start += static_cast<std::ptrdiff_t>(packet.size());
    } else {
      // A false start: the header byte was a data byte. The search goes on after it.
      ++droppedBytes_;
      ++start;
    }
  }
  pending_.erase(pending_.begin(), start);
  return packets;
}

}  // namespace veltrano::virtual_platform
