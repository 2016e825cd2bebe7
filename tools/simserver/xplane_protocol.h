#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "live_protocol.h"

namespace veltrano::simserver {

// X-Plane's dataref subscriptions over UDP. A request is the five bytes "RREF" and a NUL, then
// little-endian int32 frequency (per second; 0 ends the subscription), int32 index and the
// dataref's path in 400 bytes, NUL-padded. X-Plane answers to the sender's address with
// datagrams of "RREF", one byte, then pairs of little-endian int32 index and float32 value.
class XPlaneProtocol final : public LiveProtocol {
 public:
  static constexpr double kDefaultFullBallSlip = 10.0;  // degrees of ball deflection
  static constexpr std::int32_t kRate = 20;
  // Index i is pitch, bank, slip, rpm and speed in that order.
  static constexpr std::array<std::string_view, 5> kDatarefs = {
      "sim/flightmodel/position/theta",
      "sim/flightmodel/position/phi",
      "sim/cockpit2/gauges/indicators/slip_deg",
      "sim/cockpit2/engine/indicators/engine_speed_rpm[0]",
      "sim/flightmodel/position/indicated_airspeed",
  };

  explicit XPlaneProtocol(const UdpEndpoint& xplane, double fullBallSlip = kDefaultFullBallSlip)
      : xplane_(xplane), fullBallSlip_(fullBallSlip) {}

  // One subscription request.
  static std::string Request(std::int32_t frequency, std::int32_t index, std::string_view path);

  std::string_view Name() const override { return "X-Plane"; }
  double FullBallSlip() const override { return fullBallSlip_; }
  void Subscribe(UdpSocket& socket) override { SendAll(socket, kRate); }
  void Unsubscribe(UdpSocket& socket) override { SendAll(socket, 0); }
  // Each reply may carry any of the five; values are complete once each has come at least once.
  DatagramReading Read(std::string_view datagram) override;

 private:
  void SendAll(UdpSocket& socket, std::int32_t frequency);

  UdpEndpoint xplane_;
  double fullBallSlip_;
  std::array<double, 5> latest_{};
  unsigned seen_ = 0;  // one bit per index
};

}  // namespace veltrano::simserver
