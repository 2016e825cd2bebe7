#include "live_easing.h"

#include <algorithm>

namespace veltrano::simserver {

namespace {

// Smoothstep of the elapsed fraction: no jump in value or rate at either end of a glide.
double Eased(double elapsed, double length) {
  const double f = std::clamp(elapsed / length, 0.0, 1.0);
  return f * f * (3.0 - 2.0 * f);
}

FlightValues Blend(const FlightValues& from, const FlightValues& to, double fraction) {
  // At the end of a glide exactly the target, which a + (b - a) need not be.
  const auto mix = [fraction](double a, double b) {
    return fraction == 1.0 ? b : a + (b - a) * fraction;
  };
  return FlightValues{.pitch = mix(from.pitch, to.pitch),
                      .bank = mix(from.bank, to.bank),
                      .slip = mix(from.slip, to.slip),
                      .rpm = mix(from.rpm, to.rpm),
                      .speed = mix(from.speed, to.speed)};
}

constexpr FlightValues kParked{};

static_assert(LiveEasing::kResume < LiveEasing::kSilence,
              "a glide back to live values must end before a new silence can begin");

}  // namespace

bool LiveEasing::Arrive(double seconds, const FlightValues& live) {
  const bool resuming = Silent(seconds);
  if (resuming) {
    resumeFrom_ = Signed(seconds);
    resumeStart_ = seconds;
  }
  started_ = true;
  live_ = live;
  lastArrival_ = seconds;
  return resuming;
}

bool LiveEasing::Silent(double seconds) const {
  return !started_ || seconds - lastArrival_ >= kSilence;
}

FlightValues LiveEasing::Signed(double seconds) const {
  if (!started_) return kParked;
  // A glide back to live values ends (kResume) before a new silence can begin (kSilence), so a
  // silence always starts from the live values themselves.
  if (Silent(seconds)) {
    return Blend(live_, kParked, Eased(seconds - lastArrival_ - kSilence, kSettle));
  }
  return Blend(resumeFrom_, live_, Eased(seconds - resumeStart_, kResume));
}

FlightValues LiveEasing::WithServedBank(FlightValues values) {
  values.bank = ServedBank(values.bank);
  return values;
}

}  // namespace veltrano::simserver
