#include "emulated_controller.h"

#include <avr_adc.h>
#include <avr_uart.h>
#include <sim_avr.h>
#include <sim_elf.h>
#include <sim_irq.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "calibration.h"

namespace veltrano::testing {
namespace {

namespace calibration = firmware::calibration;

constexpr double kClockHz = 16e6;
constexpr std::uint32_t kSupplyMv = 5000;
constexpr auto kByteCycles =
    static_cast<std::uint64_t>(EmulatedController::kByteSeconds * kClockHz);

// The motor model: full power turns the axis at 600 travel units a second (the whole travel in
// under half a second, faster than level 5 asks), reached with a lag of 15 ms.
constexpr double kMotorTopSpeed = 600;
constexpr double kMotorLagSeconds = 0.015;
constexpr std::uint64_t kMotorStepCycles = 1600;  // 0.1 ms

// The ATmega328P's registers, at their addresses in its data space (data sheet, register summary).
constexpr std::uint16_t kPortB = 0x25, kPortD = 0x2B, kTccr1a = 0x80, kIcr1 = 0x86, kOcr1a = 0x88,
                        kOcr1b = 0x8A, kTccr2a = 0xB0, kOcr2b = 0xB4;
constexpr std::uint8_t kCom1a1 = 1 << 7, kCom1b1 = 1 << 5, kCom2b1 = 1 << 5;

struct AxisWiring {
  std::uint16_t compare;
  std::uint8_t output;
  std::uint16_t inputPort;
  std::uint8_t input1, input2;
  std::uint8_t channel;
  const std::uint16_t (&servoEndsUs)[2];
  const std::uint16_t (&potEnds)[2];
};
const AxisWiring kWiring[2] = {
    {kOcr1a, kCom1a1, kPortD, 1 << 4, 1 << 7, 0, calibration::kPitchServoEndsUs,
     calibration::kPitchPotEnds},
    {kOcr1b, kCom1b1, kPortB, 1 << 0, 1 << 4, 1, calibration::kRollServoEndsUs,
     calibration::kRollPotEnds},
};

const AxisWiring& Wiring(PlatformAxis axis) { return kWiring[static_cast<int>(axis)]; }

}  // namespace

EmulatedController::EmulatedController(FirmwareDrive drive, const std::string& elfPath)
    : drive_(drive), avr_(avr_make_mcu_by_name("atmega328p"), [](avr_t* avr) {
        avr_terminate(avr);
        std::free(avr);
      }) {
  if (!avr_) throw std::runtime_error("the simulator has no ATmega328P");
  elf_firmware_t firmware{};
  if (elf_read_firmware(elfPath.c_str(), &firmware) != 0) {
    throw std::runtime_error("cannot read the firmware " + elfPath);
  }
  avr_init(avr_.get());
  avr_->frequency = static_cast<std::uint32_t>(kClockHz);
  avr_->vcc = avr_->avcc = avr_->aref = kSupplyMv;
  avr_->log = LOG_NONE;
  avr_load_firmware(avr_.get(), &firmware);
  // The simulator has copied the memories; their buffers are the reader's to free.
  for (std::uint8_t* memory : {firmware.flash, firmware.eeprom, firmware.fuse, firmware.lockbits})
    std::free(memory);

  // The simulator neither prints what the firmware writes nor sleeps when the firmware polls an
  // empty receiver, which would pace the simulation by the host's sleeps.
  std::uint32_t flags = 0;
  avr_ioctl(avr_.get(), AVR_IOCTL_UART_GET_FLAGS('0'), &flags);
  flags &= ~(AVR_UART_FLAG_STDIO | AVR_UART_FLAG_POLL_SLEEP);
  avr_ioctl(avr_.get(), AVR_IOCTL_UART_SET_FLAGS('0'), &flags);
  uartInput_ = avr_io_getirq(avr_.get(), AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT);
  analogInputs_ = avr_io_getirq(avr_.get(), AVR_IOCTL_ADC_GETIRQ, 0);
  avr_irq_register_notify(analogInputs_ + ADC_IRQ_OUT_TRIGGER, &AnswerAnalog, this);
}

EmulatedController::~EmulatedController() = default;

double EmulatedController::Now() const { return static_cast<double>(avr_->cycle) / kClockHz; }

void EmulatedController::Send(std::string_view bytes) {
  for (const char byte : bytes) {
    lineFreeAt_ = std::max(lineFreeAt_, avr_->cycle) + kByteCycles;
    queue_.push_back({lineFreeAt_, static_cast<std::uint8_t>(byte)});
  }
}

void EmulatedController::Deliver(std::uint8_t byte) { avr_raise_irq(uartInput_, byte); }

void EmulatedController::RunToCycle(std::uint64_t cycle) {
  while (avr_->cycle < cycle) {
    const std::uint64_t until =
        drive_ == FirmwareDrive::kDcMotor ? std::min(cycle, motorsAt_ + kMotorStepCycles) : cycle;
    while (avr_->cycle < until) {
      const int state = avr_run(avr_.get());
      if (state == cpu_Done || state == cpu_Crashed)
        throw std::runtime_error("the firmware stopped");
    }
    if (drive_ == FirmwareDrive::kDcMotor) {
      StepMotors(static_cast<double>(avr_->cycle - motorsAt_) / kClockHz);
      motorsAt_ = avr_->cycle;
    }
  }
}

void EmulatedController::StepMotors(double seconds) {
  for (const PlatformAxis axis : {PlatformAxis::kPitch, PlatformAxis::kRoll}) {
    Motor& motor = motors_[static_cast<int>(axis)];
    const double wanted = MotorDrive(axis) * kMotorTopSpeed;
    motor.speed += (wanted - motor.speed) * std::min(1.0, seconds / kMotorLagSeconds);
    motor.position += motor.speed * seconds;
    if (motor.position < 0 || motor.position > 255) {
      motor.position = std::clamp(motor.position, 0.0, 255.0);
      motor.speed = 0;
    }
  }
}

void EmulatedController::AnswerAnalog(avr_irq_t*, std::uint32_t value, void* self) {
  auto& controller = *static_cast<EmulatedController*>(self);
  union {
    avr_adc_mux_t mux;
    std::uint32_t raw;
  } selected{};
  selected.raw = value;
  for (const PlatformAxis axis : {PlatformAxis::kPitch, PlatformAxis::kRoll}) {
    const AxisWiring& wiring = Wiring(axis);
    if (selected.mux.src != wiring.channel) continue;
    const Motor& motor = controller.motors_[static_cast<int>(axis)];
    const double reading =
        wiring.potEnds[0] + motor.position / 255 * (wiring.potEnds[1] - wiring.potEnds[0]);
    const auto millivolts =
        motor.broken ? 0u
                     : static_cast<std::uint32_t>(std::lround((reading + 0.5) * kSupplyMv / 1023));
    avr_raise_irq(controller.analogInputs_ + ADC_IRQ_ADC0 + wiring.channel, millivolts);
  }
}

std::uint8_t EmulatedController::Register(std::uint16_t address) const {
  return avr_->data[address];
}

std::uint16_t EmulatedController::Register16(std::uint16_t address) const {
  return static_cast<std::uint16_t>(Register(address) | Register(address + 1) << 8);
}

std::optional<double> EmulatedController::PulseUs(PlatformAxis axis) const {
  const AxisWiring& wiring = Wiring(axis);
  if (!(Register(kTccr1a) & wiring.output)) return std::nullopt;
  // Timer 1 counts at 2 MHz; the pin is high up to and including the compare count.
  return (Register16(wiring.compare) + 1) / 2.0;
}

std::optional<double> EmulatedController::Position(PlatformAxis axis) const {
  if (drive_ == FirmwareDrive::kDcMotor) return motors_[static_cast<int>(axis)].position;
  const auto pulse = PulseUs(axis);
  if (!pulse) return std::nullopt;
  const auto& ends = Wiring(axis).servoEndsUs;
  return (*pulse - ends[0]) / (ends[1] - ends[0]) * 255;
}

double EmulatedController::MotorDrive(PlatformAxis axis) const {
  const AxisWiring& wiring = Wiring(axis);
  if (!(Register(kTccr1a) & wiring.output)) return 0;
  const double duty = static_cast<double>(Register16(wiring.compare)) / (Register16(kIcr1) + 1);
  const std::uint8_t inputs = Register(wiring.inputPort);
  const bool forward = inputs & wiring.input1, backward = inputs & wiring.input2;
  if (forward == backward) return 0;
  return forward ? duty : -duty;
}

double EmulatedController::VibrationDuty() const {
  if (!(Register(kTccr2a) & kCom2b1)) return 0;
  return (Register(kOcr2b) + 1) / 256.0;
}

void EmulatedController::PlaceMotorAxis(PlatformAxis axis, double position) {
  motors_[static_cast<int>(axis)] = {position, 0, motors_[static_cast<int>(axis)].broken};
}

void EmulatedController::BreakPotentiometerWire(PlatformAxis axis) {
  motors_[static_cast<int>(axis)].broken = true;
}

}  // namespace veltrano::testing
