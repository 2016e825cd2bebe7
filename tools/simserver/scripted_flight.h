#pragma once

#include "flight_source.h"

namespace veltrano::simserver {

// A built-in flight of a little over five minutes that starts over when it ends: taxi, take-off,
// climb, steep turns both ways, an uncoordinated turn with slip, descent, landing and roll-out,
// with the power changes that go with them. Between its key moments every value eases smoothly
// from one to the next, so that every cue moves as it would behind a real aircraft.
class ScriptedFlight final : public FlightSource {
 public:
  static constexpr double kLength = 320.0;  // seconds until it starts over

  FlightValues At(double seconds) const override;
};

}  // namespace veltrano::simserver
