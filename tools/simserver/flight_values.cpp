#include "flight_values.h"

namespace veltrano::simserver {

std::optional<double> ValueForCode(const FlightValues& values, std::int64_t code) {
  switch (code) {
    case kPitchCode:
      return values.pitch;
    case kBankCode:
      return values.bank;
    case kSlipCode:
      return values.slip;
    case kRpmCode:
      return values.rpm;
    case kSpeedCode:
      return values.speed;
    default:
      return std::nullopt;
  }
}

double ServedBank(double signedDegrees) {
  if (signedDegrees >= 0.0) return signedDegrees + 0.0;  // adding 0.0 turns -0.0 into 0.0
  const double served = 360.0 + signedDegrees;
  // A bank a hair left of level rounds to 360, which is level flight: 0.
  return served < 360.0 ? served : 0.0;
}

double SignedBank(double servedDegrees) {
  return servedDegrees > 180.0 ? servedDegrees - 360.0 : servedDegrees;
}

}  // namespace veltrano::simserver
