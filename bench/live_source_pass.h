#pragma once

#include <cstddef>

#include "packet_stream.h"
#include "step_latencies.h"

namespace veltrano::bench {

// The delay of a live source: the data-server emulator subscribed to a fake X-Plane (on loopback,
// which must be up) whose pitch steps through the levels, and the program run for `ticks` ticks
// on `program` (whose arrivals it takes). The delays run from the first datagram that carried
// each new level to the first packet that carries it.
struct LiveSourcePass {
  Latencies latencies;
  double datagramsPerSecond = 0;  // what the fake sent, at the rate the emulator asked for
};

LiveSourcePass RunLiveSourcePass(PacketStream& program, std::size_t ticks);

}  // namespace veltrano::bench
