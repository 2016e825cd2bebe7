#pragma once

#include "platform/clock.h"

namespace veltrano::flight_check {

// The time of day as the flight's own time, which starts at midnight. A window that has just
// loaded holds speed 0 at midnight as its last speed sample, so the first ACCELERATION tick,
// at flight time 0, measures over no time and adds no surge; every later tick measures the
// change of speed over the 50 ms since the one before.
class FlightClock final : public Clock {
 public:
  void Set(double flightSeconds) { seconds_ = flightSeconds; }

  // Falls back to 0 at midnight, after a day of flight.
  float SecondsSinceMidnight() override;

 private:
  double seconds_ = 0.0;
};

}  // namespace veltrano::flight_check
