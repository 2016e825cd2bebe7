#include "cueing/tick_packet.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "cueing/cue_computation.h"

namespace veltrano {

namespace {

// Out-of-range values are limited rather than refused: a missed packet would leave the platform
// on its last position, while the limit is the nearest position it can take. A cue that is not a
// number has no nearest position and goes out as its axis's rest value.
std::uint8_t CueByte(double cue, double neutral) {
  if (!std::isfinite(cue)) return static_cast<std::uint8_t>(neutral);
  return static_cast<std::uint8_t>(std::clamp(std::nearbyint(cue), 0.0, 255.0));
}

std::uint8_t SettingByte(std::int16_t setting) {
  return static_cast<std::uint8_t>(std::clamp<int>(setting, 0, 255));
}

bool IsOn(const CheckBox& box) { return box.Value() == 1; }

}  // namespace

PlatformPacket BuildPacket(const PanelState& state) {
  PlatformPacket packet{};
  packet[kHeaderByte] = kPlatformPacketHeader;
  packet[kPitchCueByte] = CueByte(state.pitchCue, kNeutralPitchCue);
  packet[kRollCueByte] = CueByte(state.rollCue, kNeutralRollCue);
  packet[kVibrationCueByte] = CueByte(state.vibrationCue, kNeutralVibrationCue);
  packet[kPitchCentreByte] = SettingByte(state.pitchCenter);
  packet[kRollCentreByte] = SettingByte(state.rollCenter);
  packet[kPitchLevelByte] = SettingByte(state.pitchExpressLevel);
  packet[kRollLevelByte] = SettingByte(state.rollExpressLevel);
  return packet;
}

void RunTick(PanelState& state, VariableReaders& readers, const EffectBoxes& effects, Clock& clock,
             SerialPort& port) {
  readers.BeginTick();
  readers.ReadPitch(state.pitchCue);
  const SpeedReading speed =
      readers.ReadSpeed(state.speedValue) ? SpeedReading::kSample : SpeedReading::kNoSample;
  // PITCHING wins, so its partner's box is not even looked at when it is on.
  const bool pitching = IsOn(effects.pitching);
  const bool acceleration = !pitching && IsOn(effects.acceleration);
  ComputePitchCue(state, pitching, acceleration, speed, clock);

  readers.ReadRoll(state.rollCue);
  readers.ReadSlip(state.slipValue);
  const bool rolling = IsOn(effects.rolling);
  const bool slip = !rolling && IsOn(effects.slip);
  ComputeRollCue(state, rolling, slip);

  readers.ReadRpm(state.vibrationCue);
  ComputeVibrationCue(state, IsOn(effects.vibration));

  const PlatformPacket packet = BuildPacket(state);
  port.Output(std::string(packet.begin(), packet.end()));
  // After the packet, so that it never waits for the link's housekeeping.
  readers.EndTick();
}

}  // namespace veltrano
