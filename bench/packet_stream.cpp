#include "packet_stream.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace veltrano::bench {

std::vector<Arrival> PacketStream::TakeArrivals() { return std::exchange(arrivals_, {}); }

void PacketStream::Take() {
  char chunk[4096];
  const ssize_t size = read(link_.Master(), chunk, sizeof chunk);
  const auto now = BenchClock::now();
  if (size < 0 && (errno == EAGAIN || errno == EINTR)) return;
  if (size <= 0) throw std::runtime_error("cannot read " + link_.SlavePath());
  for (const PlatformPacket& packet :
       splitter_.Feed(std::string_view(chunk, static_cast<std::size_t>(size)))) {
    arrivals_.push_back({now, packet});
  }
}

void Record(std::span<PacketStream* const> streams, std::size_t packets) {
  const auto complete = [&] {
    return std::all_of(streams.begin(), streams.end(), [&](const PacketStream* stream) {
      return stream->Arrivals().size() >= packets;
    });
  };
  std::vector<pollfd> wanted;
  for (const PacketStream* stream : streams) wanted.push_back({stream->Link().Master(), POLLIN, 0});
  while (!complete()) {
    const int ready = poll(wanted.data(), wanted.size(), 5000);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) throw std::runtime_error("no packet for five seconds");
    for (std::size_t i = 0; i < wanted.size(); ++i) {
      if (wanted[i].revents != 0) streams[i]->Take();
    }
  }
}

}  // namespace veltrano::bench
