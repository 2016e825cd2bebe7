#pragma once

#include "flight_values.h"

namespace veltrano::simserver {

// Where the served values come from: the flight as it stands a number of seconds after the start.
class FlightSource {
 public:
  virtual ~FlightSource() = default;
  virtual FlightValues At(double seconds) const = 0;
};

// The same values at every moment.
class FixedFlight final : public FlightSource {
 public:
  explicit FixedFlight(const FlightValues& values) : values_(values) {}
  FlightValues At(double) const override { return values_; }

 private:
  FlightValues values_;
};

}  // namespace veltrano::simserver
