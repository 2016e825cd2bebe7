#include "flight_clock.h"

#include <cmath>

namespace veltrano::flight_check {

float FlightClock::SecondsSinceMidnight() {
  constexpr double kSecondsPerDay = 86400.0;
  return static_cast<float>(std::fmod(seconds_, kSecondsPerDay));
}

}  // namespace veltrano::flight_check
