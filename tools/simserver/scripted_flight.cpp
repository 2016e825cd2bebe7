#include "scripted_flight.h"

#include <array>
#include <cmath>

namespace veltrano::simserver {

namespace {

// Bank here is signed, right wing down positive; it becomes the served angle at the end.
struct KeyMoment {
  double time;
  double pitch;
  double bank;
  double slip;
  double rpm;
  double speed;
};

constexpr auto kFlight = std::to_array<KeyMoment>({
    // time  pitch  bank   slip   rpm    speed
    {0, 0, 0, 0, 800, 0},  // parked, idling
    {8, 0, 0, 0, 1100, 0},
    {20, 0, 0, 0, 1000, 10},    // taxiing
    {28, 0, 0, 1500, 1000, 8},  // a taxi turn pushes the ball aside
    {34, 0, 0, 0, 1000, 10},
    {45, 0, 0, 0, 900, 0},     // lined up
    {50, 0, 0, 0, 2600, 0},    // full power
    {62, 0, 0, 0, 2600, 55},   // take-off roll
    {68, 9, 0, 0, 2600, 65},   // rotation
    {80, 12, 0, 0, 2550, 75},  // initial climb
    {100, 10, 0, 0, 2500, 80},
    {108, 10, 25, 0, 2500, 80},  // turning right
    {118, 6, 40, 0, 2450, 85},
    {130, 6, 40, 0, 2450, 85},
    {138, 5, 0, 0, 2450, 90},
    {146, 5, -40, 0, 2450, 88},  // straight into a steep left turn
    {160, 5, -40, 0, 2450, 88},
    {168, 2, 0, 0, 2350, 105},      // levelling off
    {180, 0, 0, 0, 2350, 110},      // cruise
    {188, 0, 15, 6000, 2350, 108},  // a skidding turn: too much rudder
    {198, 0, 15, 6000, 2350, 106},
    {204, 0, -10, -4500, 2350, 106},  // and the other way round
    {210, 0, 0, 0, 2350, 110},
    {220, -2, 0, 0, 1900, 110},  // power back
    {230, -5, 0, 0, 1700, 100},  // descent
    {245, -5, -20, 0, 1700, 98},
    {255, -5, -20, 0, 1700, 95},
    {262, -4, 0, 0, 1700, 90},
    {275, -3, 0, 0, 1500, 75},  // final approach
    {283, 4, 0, 0, 1000, 62},   // flare
    {287, 2, 0, 0, 900, 55},    // touchdown
    {300, 0, 0, 0, 850, 20},    // roll-out
    {312, 0, 0, 0, 800, 0},
    {ScriptedFlight::kLength, 0, 0, 0, 800, 0},  // as at the start, so the loop has no seam
});

double Ease(double from, double to, double fraction) {
  // Smoothstep: no jump in value or rate where one stretch meets the next.
  const double eased = fraction * fraction * (3.0 - 2.0 * fraction);
  return from + (to - from) * eased;
}

}  // namespace

FlightValues ScriptedFlight::At(double seconds) const {
  double t = std::fmod(seconds, kLength);
  if (t < 0.0) t += kLength;
  std::size_t next = 1;
  while (next + 1 < kFlight.size() && kFlight[next].time <= t) ++next;
  const KeyMoment& a = kFlight[next - 1];
  const KeyMoment& b = kFlight[next];
  const double fraction = (t - a.time) / (b.time - a.time);
  return FlightValues{
      .pitch = Ease(a.pitch, b.pitch, fraction),
      .bank = ServedBank(Ease(a.bank, b.bank, fraction)),
      .slip = Ease(a.slip, b.slip, fraction),
      .rpm = Ease(a.rpm, b.rpm, fraction),
      .speed = Ease(a.speed, b.speed, fraction),
  };
}

}  // namespace veltrano::simserver
