#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct avr_t;
struct avr_irq_t;

namespace veltrano::testing {

enum class FirmwareDrive { kServo, kDcMotor };
enum class PlatformAxis { kPitch, kRoll };

// The platform's firmware running in the AVR simulator, an ATmega328P at 16 MHz, on simulated
// time from power-on. Bytes sent to it arrive on its serial input at the line's pace, one every
// ten bit times at 19200 baud. With DC motors, each axis is a small model of a geared motor that
// turns a potentiometer on the analog input: its speed follows the bridge's PWM duty and
// direction with a lag, and it stops at the ends of its travel.
class EmulatedController {
 public:
  static constexpr double kByteSeconds = 10.0 / 19200;

  EmulatedController(FirmwareDrive drive, const std::string& elfPath);
  ~EmulatedController();
  EmulatedController(const EmulatedController&) = delete;
  EmulatedController& operator=(const EmulatedController&) = delete;

  // Queues bytes for the serial input; they go out after the bytes queued before them, the
  // first no earlier than one byte's time from now.
  void Send(std::string_view bytes);
  // Runs the firmware until `seconds` after power-on; `onByte` is called with each byte of the
  // serial input at the moment it has arrived.
  template <class OnByte>
  void RunUntil(double seconds, OnByte onByte);
  void RunUntil(double seconds) {
    RunUntil(seconds, [](std::uint8_t, double) {});
  }
  double Now() const;
  std::size_t QueuedBytes() const { return queue_.size(); }

  // Where the axis is, in travel units 0..255: the servo's pulse read back through the travel's
  // ends, or the motor's potentiometer. Empty while a servo gets no pulses.
  std::optional<double> Position(PlatformAxis axis) const;
  // A servo's pulse in microseconds; empty while the pin is off the timer.
  std::optional<double> PulseUs(PlatformAxis axis) const;
  // The bridge's drive, -1..1: the PWM duty, negative when driving toward lower readings.
  double MotorDrive(PlatformAxis axis) const;
  // The vibration output's PWM duty, 0..1.
  double VibrationDuty() const;

  // DC motors: puts the axis somewhere by hand, before power-on or while it is unpowered.
  void PlaceMotorAxis(PlatformAxis axis, double position);
  // DC motors: the potentiometer's wiper loses its wire and reads 0 V from then on.
  void BreakPotentiometerWire(PlatformAxis axis);

 private:
  struct Motor {
    double position = 127.5;
    double speed = 0;  // travel units a second
    bool broken = false;
  };
  struct Pending {
    std::uint64_t cycle;
    std::uint8_t byte;
  };

  void RunToCycle(std::uint64_t cycle);
  void Deliver(std::uint8_t byte);
  void StepMotors(double seconds);
  static void AnswerAnalog(avr_irq_t* irq, std::uint32_t value, void* self);
  std::uint8_t Register(std::uint16_t address) const;
  std::uint16_t Register16(std::uint16_t address) const;

  FirmwareDrive drive_;
  std::unique_ptr<avr_t, void (*)(avr_t*)> avr_;
  avr_irq_t* uartInput_ = nullptr;
  avr_irq_t* analogInputs_ = nullptr;
  std::deque<Pending> queue_;
  std::uint64_t lineFreeAt_ = 0;
  Motor motors_[2];
  std::uint64_t motorsAt_ = 0;
};

template <class OnByte>
void EmulatedController::RunUntil(double seconds, OnByte onByte) {
  const auto end = static_cast<std::uint64_t>(seconds * 16e6);
  while (!queue_.empty() && queue_.front().cycle <= end) {
    const Pending next = queue_.front();
    queue_.pop_front();
    RunToCycle(next.cycle);
    Deliver(next.byte);
    onByte(next.byte, Now());
  }
  RunToCycle(end);
}

}  // namespace veltrano::testing
