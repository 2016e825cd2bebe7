// The parts of simserver's live sources that need no network: the easing over time and the
// reading of X-Plane's replies (FlightGear's lines are read in simserver_test.cpp).

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <string>

#include "live_easing.h"
#include "xplane_protocol.h"

namespace veltrano::simserver {
namespace {

TEST(LiveEasing, HoldsLiveValuesEasesToParkedAfterSilenceAndBackWithoutJumps) {
  const FlightValues live{.pitch = 10, .bank = -30, .slip = 900, .rpm = 2400, .speed = 100};
  const FlightValues halfway{5, 345, 450, 1200, 50};  // smoothstep is a half at half-time
  LiveEasing easing;
  EXPECT_EQ(easing.At(0.0), FlightValues{});  // parked until the first values
  EXPECT_TRUE(easing.Arrive(1.0, live));
  EXPECT_EQ(easing.At(1.5), halfway);
  EXPECT_FALSE(easing.Arrive(2.0, live));
  EXPECT_EQ(easing.At(3.9), (FlightValues{10, 330, 900, 2400, 100}));  // held
  EXPECT_FALSE(easing.Silent(3.9));
  EXPECT_TRUE(easing.Silent(4.0));
  EXPECT_EQ(easing.At(5.0), halfway);  // half-way to parked
  EXPECT_EQ(easing.At(6.0), FlightValues{});
  // Back while still settling: from where it is, and a jump of the live values shows in part.
  EXPECT_TRUE(easing.Arrive(5.5, live));
  EXPECT_EQ(easing.At(5.5).rpm, 375);  // 2400 at 84.375 % of the way to 0
  const double rpmBefore = easing.At(5.6).rpm;
  EXPECT_FALSE(easing.Arrive(5.6, {.rpm = 3400}));        // live rpm up by 1000
  EXPECT_NEAR(easing.At(5.6).rpm - rpmBefore, 28, 1e-9);  // 2.8 % of the way back
  EXPECT_EQ(easing.At(6.5).rpm, 3400);
  // Through a whole silence and return no step of 10 ms moves the rpm by more than 2 %.
  double before = easing.At(6.5).rpm;
  for (double t = 6.51; t < 12.0; t += 0.01) {
    if (std::abs(t - 10.0) < 0.005) easing.Arrive(t, live);
    EXPECT_LE(std::abs(easing.At(t).rpm - before), 0.02 * 3400) << t;
    before = easing.At(t).rpm;
  }
}

std::string Reply(std::initializer_list<std::pair<std::uint32_t, float>> pairs) {
  std::string bytes = "RREF,";
  for (const auto& [index, value] : pairs) {
    for (const std::uint32_t word : {index, std::bit_cast<std::uint32_t>(value)}) {
      for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(word >> shift);
    }
  }
  return bytes;
}

TEST(XPlaneProtocol, RepliesCompleteTheValuesPairByPairOrAreDroppedWhole) {
  XPlaneProtocol xplane(UdpEndpoint{});
  EXPECT_FALSE(xplane.Read(Reply({{0, 2.5f}, {1, -30.f}})).values);  // three still missing
  for (const auto& [datagram, fault] : std::initializer_list<std::pair<std::string, std::string>>{
           {Reply({{2, 1.f}, {3, 2400.f}}) + "x", "a value pair cut short (22 bytes)"},
           {Reply({{4, 1.f}, {5, 1.f}}), "index 5 was not asked for"},
           {Reply({{2, INFINITY}}), "not a finite value for index 2"},
           {"DATA*" + Reply({{2, 1.f}}).substr(5), "not an RREF reply with values"},
       }) {
    EXPECT_EQ(xplane.Read(datagram).fault, fault);
  }
  EXPECT_EQ(xplane.Read(Reply({{2, 1.f}, {3, 2400.f}, {4, 98.5f}})).values,
            (FlightValues{2.5, -30, 1, 2400, 98.5}));
}

}  // namespace
}  // namespace veltrano::simserver
