#pragma once

#include "flight_values.h"

namespace veltrano::simserver {

// What a live simulator's values become when served: the live values while they come in; when
// they stop for kSilence seconds (the simulator stalled, was closed or is loading), an eased
// glide over kSettle seconds to a parked aircraft (level, engine and speed at 0), where they
// stay; when values come again, an eased glide over kResume seconds from wherever the served
// values are to the live ones, which keep moving meanwhile. Before the first values the aircraft
// is parked. A served value therefore never jumps by more than the live value itself jumps.
//
// Pure logic over a time in seconds that the caller supplies, increasing.
class LiveEasing {
 public:
  static constexpr double kSilence = 2.0;
  static constexpr double kSettle = 2.0;
  static constexpr double kResume = 1.0;

  // Live values (bank as a signed angle, right wing down positive) that arrived at `seconds`.
  // True when they are the first ones or end a silence.
  bool Arrive(double seconds, const FlightValues& live);

  // True before the first values and from kSilence seconds after the last ones on.
  bool Silent(double seconds) const;

  // The values to serve at `seconds`, bank as served.
  FlightValues At(double seconds) const { return WithServedBank(Signed(seconds)); }

 private:
  FlightValues Signed(double seconds) const;
  static FlightValues WithServedBank(FlightValues values);

  bool started_ = false;
  FlightValues live_;
  double lastArrival_ = 0.0;
  FlightValues resumeFrom_;  // parked until the first arrival
  double resumeStart_ = 0.0;
};

}  // namespace veltrano::simserver
