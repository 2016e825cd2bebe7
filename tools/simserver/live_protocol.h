#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "flight_values.h"
#include "udp_socket.h"

namespace veltrano::simserver {

// The five values as a simulator sends them: pitch in degrees nose up positive, bank as a signed
// angle right wing down positive, slip in the simulator's own unit, engine rpm, speed in knots.
using SimulatorValues = FlightValues;

// What one datagram told: a complete set of values, nothing complete yet, or a fault.
struct DatagramReading {
  std::optional<SimulatorValues> values;
  std::string fault;  // not empty: the datagram is malformed and was dropped as a whole
};

// One simulator's way of publishing its flight over UDP.
class LiveProtocol {
 public:
  virtual ~LiveProtocol() = default;

  // The simulator's name, for what simserver says on its terminal.
  virtual std::string_view Name() const = 0;
  // The simulator's slip reading for a full ball deflection, served as kFullBallSlip.
  virtual double FullBallSlip() const = 0;

  // Asks the simulator for its values, for a protocol that must: at start and again whenever it
  // has been silent for kResubscribeAfter seconds.
  virtual void Subscribe(UdpSocket&) {}
  // Tells the simulator to stop sending, when simserver ends.
  virtual void Unsubscribe(UdpSocket&) {}

  virtual DatagramReading Read(std::string_view datagram) = 0;
};

inline constexpr double kFullBallSlip = 9000.0;
inline constexpr double kResubscribeAfter = 1.0;

}  // namespace veltrano::simserver
