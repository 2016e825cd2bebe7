#include "motion_controller.h"

#include "protocol/platform_packet_layout.h"

namespace veltrano {
namespace firmware {

void MotionController::Accept(const uint8_t* packet, const Whereabouts& whereabouts) {
  if (!started_) {
    pitch_.StartFrom(whereabouts.known ? whereabouts.pitch
                                       : int32_t(packet[kPitchCentreByte]) * AxisGlide::kUnit);
    roll_.StartFrom(whereabouts.known ? whereabouts.roll
                                      : int32_t(packet[kRollCentreByte]) * AxisGlide::kUnit);
  } else if (Silent()) {
    pitch_.StartFrom(pitch_.Position());
    roll_.StartFrom(roll_.Position());
  }
  started_ = true;
  silentMs_ = 0;
  pitch_.Command(packet[kPitchCueByte], packet[kPitchCentreByte], packet[kPitchLevelByte]);
  roll_.Command(packet[kRollCueByte], packet[kRollCentreByte], packet[kRollLevelByte]);
  vibration_ = packet[kVibrationCueByte];
}

void MotionController::Tick() {
  if (!started_) return;
  if (silentMs_ <= kSilenceLimitMs) ++silentMs_;
  if (Silent()) {
    pitch_.Recentre();
    roll_.Recentre();
  }
  pitch_.Step();
  roll_.Step();
}

}  // namespace firmware
}  // namespace veltrano
