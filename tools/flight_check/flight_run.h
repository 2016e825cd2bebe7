#pragma once

#include <vector>

#include "cueing/tick_packet.h"
#include "flight_source.h"
#include "run_settings.h"

namespace veltrano::flight_check {

// The packets of a whole flight, one a tick.
struct FlightRun {
  double tickSeconds = 0.0;  // the tick's period: packet k is sent at k * tickSeconds
  std::vector<PlatformPacket> packets;
};

// Runs `flight` through the tick's cue computation from time 0 up to, not including, `length`
// (where a replay starts over), a tick every period of the window's timer, at least one tick.
// The flight's own time is the clock; nothing waits for real time to pass.
FlightRun RunFlight(const simserver::FlightSource& flight, double length,
                    const RunSettings& settings);

}  // namespace veltrano::flight_check
