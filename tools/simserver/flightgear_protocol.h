#pragma once

#include "live_protocol.h"

namespace veltrano::simserver {

// FlightGear's generic protocol as shipped in flightgear/veltrano.xml: one datagram per frame
// holding one text line "pitch,bank,slip,rpm,speed" of decimal numbers, the newline optional.
// Slip is the slip-skid ball's indicated deflection.
class FlightGearProtocol final : public LiveProtocol {
 public:
  static constexpr double kDefaultFullBallSlip = 2.0;

  explicit FlightGearProtocol(double fullBallSlip = kDefaultFullBallSlip)
      : fullBallSlip_(fullBallSlip) {}

  std::string_view Name() const override { return "FlightGear"; }
  double FullBallSlip() const override { return fullBallSlip_; }
  DatagramReading Read(std::string_view datagram) override;

 private:
  double fullBallSlip_;
};

}  // namespace veltrano::simserver
