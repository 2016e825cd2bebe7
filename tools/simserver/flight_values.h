#pragma once

#include <cstdint>
#include <optional>

#include "protocol/data_server_requests.h"

namespace veltrano::simserver {

// The five flight variables, in the units and ranges the data server answers with.
struct FlightValues {
  double pitch = 0.0;  // degrees, nose up positive
  double bank = 0.0;   // degrees: right wing down 0 to 90, left wing down 360 minus the angle
  double slip = 0.0;   // slip indicator, about -9000 to 9000
  double rpm = 0.0;    // engine revolutions per minute
  double speed = 0.0;  // knots

  bool operator==(const FlightValues&) const = default;
};

// The value that answers `code`; none for a code that is not one of the five.
std::optional<double> ValueForCode(const FlightValues& values, std::int64_t code);

// Bank as served (0 up to 360), from an angle with the right wing down positive; whole turns
// are taken off, so -10 and 710 are both served as 350.
double ServedBank(double signedDegrees);
// The signed angle (-180 to 180) of a bank written either way, so that banks either side of
// level interpolate through 0.
double SignedBank(double servedDegrees);

}  // namespace veltrano::simserver
