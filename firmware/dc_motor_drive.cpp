#include "dc_motor_drive.h"

#include <avr/io.h>

#include "calibration.h"

namespace veltrano {
namespace firmware {
namespace {

constexpr uint16_t kPwmTop = 799;  // 16 MHz over 800: 20 kHz, above hearing
constexpr uint8_t kStrayReadingsToBreak = 3;

uint16_t ReadAnalog(uint8_t channel) {
  ADMUX = _BV(REFS0) | channel;  // against AVCC
  ADCSRA |= _BV(ADSC);
  while (ADCSRA & _BV(ADSC)) {
  }
  return ADC;
}

// One motor's bridge: the enable's compare register and its timer output bit, and the pins of
// the two inputs.
struct Bridge {
  volatile uint16_t& enable;
  uint8_t enableOutput;
  volatile uint8_t& inputPort;
  uint8_t input1;
  uint8_t input2;
};

void Power(const Bridge& bridge, int32_t error) {
  const int32_t size = error < 0 ? -error : error;
  if (size < calibration::kHoldBand) {
    TCCR1A &= ~bridge.enableOutput;
    bridge.enable = 0;
    bridge.inputPort &= ~(bridge.input1 | bridge.input2);
    return;
  }
  const int32_t duty = size * (kPwmTop + 1) / calibration::kFullPowerError;
  bridge.enable = duty > kPwmTop ? kPwmTop : uint16_t(duty);
  if (error > 0) {
    bridge.inputPort = (bridge.inputPort & ~bridge.input2) | bridge.input1;
  } else {
    bridge.inputPort = (bridge.inputPort & ~bridge.input1) | bridge.input2;
  }
  TCCR1A |= bridge.enableOutput;
}

}  // namespace

DcMotorDrive::DcMotorDrive() {
  PORTB &= ~(_BV(PB0) | _BV(PB1) | _BV(PB2) | _BV(PB4));
  DDRB |= _BV(PB0) | _BV(PB1) | _BV(PB2) | _BV(PB4);
  PORTD &= ~(_BV(PD4) | _BV(PD7));
  DDRD |= _BV(PD4) | _BV(PD7);
  // Fast PWM with ICR1 as the top at the full clock; the enables not yet connected.
  ICR1 = kPwmTop;
  TCCR1A = _BV(WGM11);
  TCCR1B = _BV(WGM13) | _BV(WGM12) | _BV(CS10);
  // The converter at 125 kHz, 104 us a reading; the two inputs' digital buffers off.
  DIDR0 = _BV(ADC0D) | _BV(ADC1D);
  ADCSRA = _BV(ADEN) | _BV(ADPS2) | _BV(ADPS1) | _BV(ADPS0);
  Measure(0, calibration::kPitchPotEnds, pitch_);
  Measure(1, calibration::kRollPotEnds, roll_);
}

void DcMotorDrive::Measure(uint8_t channel, const uint16_t (&ends)[2], Axis& axis) {
  const int32_t reading = ReadAnalog(channel);
  const int32_t low = ends[0] < ends[1] ? ends[0] : ends[1];
  const int32_t high = ends[0] < ends[1] ? ends[1] : ends[0];
  if (reading < low - calibration::kPotMargin || reading > high + calibration::kPotMargin) {
    if (axis.strayReadings < kStrayReadingsToBreak && ++axis.strayReadings == kStrayReadingsToBreak)
      axis.broken = true;
  } else {
    axis.strayReadings = 0;
  }
  int32_t position =
      (reading - int32_t(ends[0])) * (255 * AxisGlide::kUnit) / (int32_t(ends[1]) - ends[0]);
  if (position < 0) position = 0;
  if (position > 255 * AxisGlide::kUnit) position = 255 * AxisGlide::kUnit;
  axis.position = position;
}

void DcMotorDrive::Follow(const MotionController& motion) {
  Measure(0, calibration::kPitchPotEnds, pitch_);
  Measure(1, calibration::kRollPotEnds, roll_);
  const Bridge pitch{OCR1A, _BV(COM1A1), PORTD, _BV(PD4), _BV(PD7)};
  const Bridge roll{OCR1B, _BV(COM1B1), PORTB, _BV(PB0), _BV(PB4)};
  const bool moving = motion.Started();
  Power(pitch, moving && !pitch_.broken ? motion.Pitch().Position() - pitch_.position : 0);
  Power(roll, moving && !roll_.broken ? motion.Roll().Position() - roll_.position : 0);
}

}  // namespace firmware
}  // namespace veltrano
