#include "axis_motion.h"

#include <algorithm>
#include <cmath>

namespace veltrano::virtual_platform {

double AxisMotion::UnitsPerSecond(int level) {
  // Levels outside 1..5 never pass the packet splitter; a controller would take the nearest.
  return 16.0 * std::exp2(std::clamp(level, 1, 5));
}

void AxisMotion::Command(std::uint8_t cue, std::uint8_t centre, std::uint8_t level) {
  if (!commanded_) position_ = centre;
  commanded_ = true;
  cue_ = cue;
  centre_ = centre;
  level_ = std::clamp<int>(level, 1, 5);
}

int AxisMotion::Commanded() const {
  return std::clamp(centre_ + cue_ - kNeutralCue, 0, kTravelEnd);
}

void AxisMotion::Advance(std::chrono::duration<double> elapsed) {
  if (!commanded_ || elapsed.count() <= 0.0) return;
  const double most = UnitsPerSecond(level_) * elapsed.count();
  const double distance = Commanded() - position_;
  position_ += std::clamp(distance, -most, most);
}

}  // namespace veltrano::virtual_platform
