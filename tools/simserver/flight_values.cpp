#include "flight_values.h"

#include <cmath>

namespace veltrano::simserver {

std::optional<double> ValueForCode(const FlightValues& values, std::int64_t code) {
  switch (code) {
    case data_server::kPitchCode:
      return values.pitch;
    case data_server::kBankCode:
      return values.bank;
    case data_server::kSlipCode:
      return values.slip;
    case data_server::kRpmCode:
      return values.rpm;
    case data_server::kSpeedCode:
      return values.speed;
    default:
      return std::nullopt;
  }
}

double SignedBank(double servedDegrees) {
  // Any number of whole turns is the same attitude: 370 is 10 right, 540 is 180.
  return std::remainder(servedDegrees, 360.0);
}

double ServedBank(double signedDegrees) {
  const double turned = SignedBank(signedDegrees);
  if (turned >= 0.0) return turned + 0.0;  // adding 0.0 turns -0.0 into 0.0
  const double served = 360.0 + turned;
  // A bank a hair left of level rounds to 360, which is level flight: 0.
  return served < 360.0 ? served : 0.0;
}

}  // namespace veltrano::simserver
