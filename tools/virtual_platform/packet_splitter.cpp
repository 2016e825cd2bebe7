#include "packet_splitter.h"

#include <algorithm>

namespace veltrano::virtual_platform {
namespace {

bool IsLevel(std::uint8_t byte) { return byte >= 1 && byte <= 5; }

}  // namespace

std::vector<ActuatorPacket> PacketSplitter::Feed(std::string_view bytes) {
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  std::vector<ActuatorPacket> packets;
  auto start = pending_.begin();
  for (;;) {
    const auto sync = std::find(start, pending_.end(), kSyncByte);
    droppedBytes_ += static_cast<std::uint64_t>(sync - start);
    start = sync;
    if (pending_.end() - start < static_cast<std::ptrdiff_t>(ActuatorPacket().size())) break;
    if (IsLevel(start[kPitchLevel]) && IsLevel(start[kRollLevel])) {
      ActuatorPacket& packet = packets.emplace_back();
      std::copy_n(start, packet.size(), packet.begin());
      start += static_cast<std::ptrdiff_t>(packet.size());
    } else {
      // A false start: the sync byte was a data byte. The search goes on after it.
      ++droppedBytes_;
      ++start;
    }
  }
  pending_.erase(pending_.begin(), start);
  return packets;
}

}  // namespace veltrano::virtual_platform
