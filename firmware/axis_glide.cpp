#include "axis_glide.h"

namespace veltrano {
namespace firmware {

void AxisGlide::StartFrom(int32_t position) {
  position_ = position;
  easing_ = true;
}

void AxisGlide::Command(uint8_t cue, uint8_t centre, uint8_t level) {
  int16_t commanded = int16_t(centre) + int16_t(cue) - 128;
  if (commanded < 0) commanded = 0;
  if (commanded > 255) commanded = 255;
  target_ = int32_t(commanded) * kUnit;
  centre_ = centre;
  level_ = level < 1 ? 1 : level > 5 ? 5 : level;
}

void AxisGlide::Recentre() {
  target_ = int32_t(centre_) * kUnit;
  easing_ = true;
}

void AxisGlide::Step() {
  const int32_t most = int32_t(32) << ((easing_ ? 1 : level_) - 1);
  const int32_t distance = target_ - position_;
  if (distance > most) {
    position_ += most;
  } else if (distance < -most) {
    position_ -= most;
  } else {
    position_ = target_;
    easing_ = false;
  }
}

}  // namespace firmware
}  // namespace veltrano
