#pragma once

// Plain C++14 without the C++ library, like the layout it reads: the platform's firmware frames
// the serial line with this very class, byte by byte, as the virtual platform does.
#include "protocol/platform_packet_layout.h"

namespace veltrano {

// Finds the packets in the byte stream of the serial line. The packet has no length, checksum or
// escaping, and data bytes may equal the header byte, so a packet is taken only when it starts
// with the header byte and both levels are in range. Otherwise the header byte is dropped, with
// the bytes after it up to the next header byte, and the search starts again there: a stream cut
// or garbled anywhere is back in step within one packet. A packet cut short waits for the rest.
class PlatformPacketFramer {
 public:
  // Takes the next byte of the stream; true when it completes a packet, which Packet() then
  // holds until the next byte.
  bool Push(uint8_t byte) {
    if (pending_ == 0 && byte != kPlatformPacketHeader) {
      ++droppedBytes_;
      return false;
    }
    window_[pending_++] = byte;
    if (pending_ < kPlatformPacketSize) return false;
    if (IsLevel(window_[kPitchLevelByte]) && IsLevel(window_[kRollLevelByte])) {
      pending_ = 0;
      return true;
    }
    // A false start: the header byte was a data byte. The search goes on after it.
    size_t next = 1;
    while (next < kPlatformPacketSize && window_[next] != kPlatformPacketHeader) ++next;
    droppedBytes_ += next;
    pending_ = kPlatformPacketSize - next;
    for (size_t at = 0; at < pending_; ++at) window_[at] = window_[next + at];
    return false;
  }

  // Drops the packet under way, as when the line reports that a byte of it was lost.
  void Restart() {
    droppedBytes_ += pending_;
    pending_ = 0;
  }

  const uint8_t* Packet() const { return window_; }
  size_t PendingBytes() const { return pending_; }
  uint64_t DroppedBytes() const { return droppedBytes_; }

 private:
  static bool IsLevel(uint8_t byte) { return byte >= kLowestLevel && byte <= kHighestLevel; }

  uint8_t window_[kPlatformPacketSize] = {};
  size_t pending_ = 0;
  uint64_t droppedBytes_ = 0;
};

}  // namespace veltrano
