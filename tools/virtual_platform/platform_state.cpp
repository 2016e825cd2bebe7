#include "platform_state.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace veltrano::virtual_platform {

void PlatformState::Accept(const PlatformPacket& packet, Clock::time_point now) {
  AdvanceTo(now);
  now = *movedTo_;
  pitch_.Command(packet[kPitchCueByte], packet[kPitchCentreByte], packet[kPitchLevelByte]);
  roll_.Command(packet[kRollCueByte], packet[kRollCentreByte], packet[kRollLevelByte]);
  if (latest_) lastInterval_ = now - latest_->time;
  latest_ = Sample{now, packet};
  history_.push_back(*latest_);
  while (now - history_.front().time > kHistorySpan) history_.pop_front();
  ++totalPackets_;
}

void PlatformState::AdvanceTo(Clock::time_point now) {
  if (movedTo_ && now > *movedTo_) {
    pitch_.Advance(now - *movedTo_);
    roll_.Advance(now - *movedTo_);
  }
  if (!movedTo_ || now > *movedTo_) movedTo_ = now;
}

std::uint8_t PlatformState::Vibration() const {
  return latest_ ? latest_->packet[kVibrationCueByte] : 0;
}

PlatformState::Shake PlatformState::ShakeAt(Clock::time_point now) const {
  if (Silent(now)) return {};
  // Two unrelated frequencies, so the throw never settles into a visible pattern; the square
  // root makes low levels, as an engine at idle gives, still noticeable.
  const double seconds = std::chrono::duration<double>(now.time_since_epoch()).count();
  const double size = std::sqrt(Vibration() / 255.0);
  const double turn = 2 * std::numbers::pi * seconds;
  return {size * std::sin(turn * 23.0), size * std::sin(turn * 31.0 + 1.0)};
}

bool PlatformState::Silent(Clock::time_point now) const {
  return !latest_ || now - latest_->time > kSilenceLimit;
}

std::size_t PlatformState::PacketsInLastSecond(Clock::time_point now) const {
  return static_cast<std::size_t>(std::count_if(
      history_.begin(), history_.end(),
      [now](const Sample& sample) { return now - sample.time < std::chrono::seconds(1); }));
}

}  // namespace veltrano::virtual_platform
