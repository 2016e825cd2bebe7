#pragma once

#include "link/variable_readers.h"
#include "panel/panel_state.h"
#include "platform/clock.h"
#include "platform/serial_port.h"
#include "platform/window_toolkit.h"
#include "protocol/platform_packet.h"

namespace veltrano {

// The packet of the cues and settings in `state`.
PlatformPacket BuildPacket(const PanelState& state);

// The five effect boxes, read at the moment of the tick.
struct EffectBoxes {
  const CheckBox& pitching;
  const CheckBox& rolling;
  const CheckBox& acceleration;
  const CheckBox& slip;
  const CheckBox& vibration;
};

// One tick: read the five flight values, compute the three cues and write one packet. A failing
// write raises the port's Error to the caller.
void RunTick(PanelState& state, VariableReaders& readers, const EffectBoxes& effects, Clock& clock,
             SerialPort& port);

}  // namespace veltrano
