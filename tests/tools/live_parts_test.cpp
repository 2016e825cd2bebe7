// The parts of simserver's live sources that need no network: the easing over time and the
// reading of each simulator's datagrams.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <sstream>
#include <string>

#include "flightgear_protocol.h"
#include "live_easing.h"
#include "xplane_protocol.h"

namespace veltrano::simserver {
namespace {

constexpr FlightValues kLive{.pitch = 10, .bank = -30, .slip = 900, .rpm = 2400, .speed = 100};

TEST(LiveEasing, HoldsLiveValuesEasesToParkedAfterSilenceAndBackWithoutJumps) {
  LiveEasing easing;
  EXPECT_EQ(easing.At(0.0), FlightValues{});  // parked until the first values
  EXPECT_TRUE(easing.Arrive(1.0, kLive));
  FlightValues served = easing.At(1.5);  // half-way there: smoothstep gives exactly a half
  EXPECT_EQ(served, (FlightValues{5, 345, 450, 1200, 50}));
  EXPECT_FALSE(easing.Arrive(2.0, kLive));
  EXPECT_FALSE(easing.Silent(3.9));
  EXPECT_EQ(easing.At(3.9), (FlightValues{10, 330, 900, 2400, 100}));  // held: nothing new
  EXPECT_TRUE(easing.Silent(4.0));
  EXPECT_EQ(easing.At(5.0), (FlightValues{5, 345, 450, 1200, 50}));  // half-way to parked
  EXPECT_EQ(easing.At(6.0), FlightValues{});
  // Back while still settling: from where it is, and a live jump shows only in part.
  EXPECT_TRUE(easing.Arrive(5.5, kLive));
  EXPECT_EQ(easing.At(5.5).rpm, 375);  // 2400 at 84.375 % of the way to 0
  const double rpmBefore = easing.At(5.6).rpm;
  EXPECT_FALSE(easing.Arrive(5.6, {.rpm = 3400}));        // live rpm jumps by 1000
  EXPECT_NEAR(easing.At(5.6).rpm - rpmBefore, 28, 1e-9);  // 2.8 % of the way back
  EXPECT_EQ(easing.At(6.5).rpm, 3400);
  // Over a whole silence and return, no step of 10 ms moves any value by more than 2 %.
  FlightValues before = easing.At(6.5);
  for (double t = 6.51; t < 12.0; t += 0.01) {
    if (std::abs(t - 10.0) < 0.005) easing.Arrive(t, kLive);
    const FlightValues now = easing.At(t);
    EXPECT_LE(std::abs(now.rpm - before.rpm), 0.02 * 3400) << t;
    before = now;
  }
}

std::string XPlaneReply(std::initializer_list<std::pair<std::int32_t, float>> pairs) {
  std::string bytes = "RREF,";
  for (const auto& [index, value] : pairs) {
    for (const std::uint32_t word :
         {static_cast<std::uint32_t>(index), std::bit_cast<std::uint32_t>(value)}) {
      for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(word >> shift);
    }
  }
  return bytes;
}

// A reading in short: its fault, "none yet" or the five values.
std::string Told(const DatagramReading& reading) {
  if (!reading.fault.empty()) return reading.fault;
  if (!reading.values) return "none yet";
  const FlightValues& v = *reading.values;
  std::ostringstream text;
  text << v.pitch << " " << v.bank << " " << v.slip << " " << v.rpm << " " << v.speed;
  return text.str();
}

TEST(LiveProtocols, DatagramsGiveValuesOrAFault) {
  FlightGearProtocol flightgear;
  for (const auto& [datagram, told] : std::initializer_list<std::pair<std::string, std::string>>{
           {"2.5,-30.25,0.5,2400.0,98.75\n", "2.5 -30.25 0.5 2400 98.75"},
           {"1,2,3,4,5", "1 2 3 4 5"},
           {"1,2,3,4\n", "4 fields instead of 5"},
           {"1,2,3,4,5,6\n", "6 fields instead of 5"},
           {"1,2,x,4,5\n", "not a number: 'x'"},
           {"1,nan,3,4,5\n", "not a finite number: nan"},
           {"", "not a number: ''"},
       }) {
    EXPECT_EQ(Told(flightgear.Read(datagram)), told) << datagram;
  }
  XPlaneProtocol xplane(UdpEndpoint{});
  for (const auto& [datagram, told] : std::initializer_list<std::pair<std::string, std::string>>{
           {XPlaneReply({{0, 2.5f}, {1, -30.f}}), "none yet"},
           {XPlaneReply({{2, 1.f}, {3, 2400.f}}) + "x", "a value pair cut short (22 bytes)"},
           {XPlaneReply({{5, 1.f}}), "index 5 was not asked for"},
           {XPlaneReply({{2, INFINITY}}), "not a finite value for index 2"},
           {"DATA*" + XPlaneReply({{2, 1.f}}).substr(5), "not an RREF reply with values"},
           {"RREF,", "not an RREF reply with values"},
           {XPlaneReply({{2, 1.f}, {3, 2400.f}, {4, 98.5f}}), "2.5 -30 1 2400 98.5"},
       }) {
    EXPECT_EQ(Told(xplane.Read(datagram)), told);
  }
  const std::string request = XPlaneProtocol::Request(20, 3, "sim/x");
  EXPECT_EQ(request.size(), 413u);
  EXPECT_EQ(request.substr(0, 18), std::string("RREF\0\x14\0\0\0\x03\0\0\0sim/x", 18));
}

}  // namespace
}  // namespace veltrano::simserver
