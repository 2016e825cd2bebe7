// The controller firmware in the AVR simulator, both drives, fed packets at the serial line's
// pace: what it makes of steady packets, of each level's speed, of a damaged stream, of silence,
// of an axis found away from its centre at power-on and of a broken potentiometer wire.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "emulated_controller.h"
#include "protocol/platform_packet_layout.h"

namespace veltrano::testing {
namespace {

constexpr double kTickSeconds = 0.05;
constexpr PlatformAxis kPitch = PlatformAxis::kPitch;
constexpr PlatformAxis kRoll = PlatformAxis::kRoll;

struct Command {
  int pitchCue = 128, rollCue = 128, vibration = 0;
  int pitchCentre = 128, rollCentre = 128;
  int pitchLevel = 3, rollLevel = 3;
};

std::string Packet(const Command& c) {
  return {static_cast<char>(kPlatformPacketHeader),
          static_cast<char>(c.pitchCue),
          static_cast<char>(c.rollCue),
          static_cast<char>(c.vibration),
          static_cast<char>(c.pitchCentre),
          static_cast<char>(c.rollCentre),
          static_cast<char>(c.pitchLevel),
          static_cast<char>(c.rollLevel)};
}

double UnitsPerSecond(int level) { return 32 << (level - 1); }

class FirmwareTest : public ::testing::TestWithParam<FirmwareDrive> {
 protected:
  FirmwareTest()
      : controller_(GetParam(), GetParam() == FirmwareDrive::kServo ? SERVO_FIRMWARE_PATH
                                                                    : DC_MOTOR_FIRMWARE_PATH) {}

  bool Servo() const { return GetParam() == FirmwareDrive::kServo; }
  double Position(PlatformAxis axis) { return controller_.Position(axis).value_or(NAN); }

  // Sends `stream` once a tick, as the program sends its packet, for `seconds`; `watch` sees the
  // controller after every millisecond.
  template <class Watch>
  void SendFor(const std::string& stream, double seconds, Watch watch) {
    const double end = controller_.Now() + seconds;
    for (double tick = controller_.Now(); tick < end - 1e-9; tick += kTickSeconds) {
      controller_.Send(stream);
      for (double at = tick + 0.001; at < tick + kTickSeconds + 1e-9; at += 0.001) {
        controller_.RunUntil(at);
        watch();
      }
    }
  }
  void SendFor(const std::string& stream, double seconds) {
    SendFor(stream, seconds, [] {});
  }

  EmulatedController controller_;
};

// The tolerance of a position, in travel units: a servo's pulse is the glide itself, a motor
// follows its loop a little behind.
double Tolerance(FirmwareDrive drive) { return drive == FirmwareDrive::kServo ? 0.6 : 2.5; }

TEST_P(FirmwareTest, MovesNothingBeforeThePacketsThenHoldsWhatTheyCommand) {
  controller_.RunUntil(0.7);
  EXPECT_FALSE(controller_.PulseUs(kPitch) || controller_.PulseUs(kRoll));
  EXPECT_EQ(controller_.MotorDrive(kPitch), 0);
  EXPECT_EQ(controller_.MotorDrive(kRoll), 0);
  EXPECT_EQ(controller_.VibrationDuty(), 0);

  // Positions at the ends of the travel, the centres putting the commanded ones beyond them.
  const Command steady{.pitchCue = 200,
                       .rollCue = 20,
                       .vibration = 77,
                       .pitchCentre = 200,
                       .rollCentre = 100,
                       .pitchLevel = 5,
                       .rollLevel = 5};
  SendFor(Packet(steady), 4.5);  // at level 1 until the axes first get there
  EXPECT_NEAR(Position(kPitch), 255, Tolerance(GetParam()));
  EXPECT_NEAR(Position(kRoll), 0, Tolerance(GetParam()));
  if (Servo()) {
    EXPECT_NEAR(*controller_.PulseUs(kPitch), 2000, 1);
    EXPECT_NEAR(*controller_.PulseUs(kRoll), 1000, 1);
  }
  EXPECT_NEAR(controller_.VibrationDuty(), 77 / 255.0, 0.005);

  SendFor(
      Packet({.pitchCue = 150, .rollCue = 97, .vibration = 255, .pitchLevel = 5, .rollLevel = 5}),
      1.0);
  EXPECT_NEAR(Position(kPitch), 150, Tolerance(GetParam()));
  EXPECT_NEAR(Position(kRoll), 97, Tolerance(GetParam()));
  EXPECT_EQ(controller_.VibrationDuty(), 1.0);
}

// A step of the cue at each level: the axis sets off at once and arrives when the level's speed
// says, pitch up and roll down.
TEST_P(FirmwareTest, StepsArriveAtEachLevelsSpeed) {
  constexpr int kStep = 96;
  for (int level = 1; level <= 5; ++level) {
    SCOPED_TRACE("level " + std::to_string(level));
    const Command rest{.pitchLevel = level, .rollLevel = level};
    SendFor(Packet(rest), 0.3);
    ASSERT_NEAR(Position(kPitch), 128, Tolerance(GetParam()));

    const double speed = UnitsPerSecond(level);
    const double start = controller_.Now();
    double pitchArrived = NAN, rollArrived = NAN, halfway = NAN;
    SendFor(Packet({.pitchCue = 128 + kStep,
                    .rollCue = 128 - kStep,
                    .pitchLevel = level,
                    .rollLevel = level}),
            kStep / speed + 0.3, [&] {
              const double now = controller_.Now() - start;
              if (std::isnan(pitchArrived) && Position(kPitch) > 128 + kStep - 1)
                pitchArrived = now;
              if (std::isnan(rollArrived) && Position(kRoll) < 128 - kStep + 1) rollArrived = now;
              if (std::isnan(halfway) && now >= kStep / speed / 2 + 0.004)
                halfway = Position(kPitch);
            });
    // The glide takes kStep / speed from the packet's arrival 4 ms after the start; a motor
    // follows it a little behind, the more so the faster it goes.
    const double glide = kStep / speed + 0.004;
    const double lag = Servo() ? 0.003 : 0.03 + 1.0 / 60;
    EXPECT_GT(pitchArrived, glide - 1.0 / speed - 0.002);
    EXPECT_LT(pitchArrived, glide + lag);
    EXPECT_GT(rollArrived, glide - 1.0 / speed - 0.002);
    EXPECT_LT(rollArrived, glide + lag);
    EXPECT_NEAR(halfway, 128 + kStep / 2, Tolerance(GetParam()) + (Servo() ? 0 : speed / 60));
    EXPECT_NEAR(Position(kPitch), 128 + kStep, Tolerance(GetParam()));
    SendFor(Packet(rest), kStep / speed + 0.2);
  }
}

// Damaged streams, each sent once a tick: only whole packets with both levels in range count, and
// the controller is back in step within one packet. The axis moves only toward the pitch position
// of the packet that the stream holds whole.
TEST_P(FirmwareTest, TakesOnlyWholePacketsFromADamagedStream) {
  const std::string to200 = Packet({.pitchCue = 200, .pitchLevel = 5, .rollLevel = 5});
  const std::string to60 = Packet({.pitchCue = 60, .pitchLevel = 5, .rollLevel = 5});
  const struct {
    const char* name;
    std::string stream;
    double pitch;
  } rows[] = {
      {"noise before the packet", std::string("\x01\xFF\x00\x58\x58", 5) + to200, 200},
      {"a packet cut short", to200.substr(0, 5) + to60, 60},
      {"a cut packet whose cue is the header byte", to200.substr(0, 1) + "X" + to60, 60},
      {"a level out of range", to200.substr(0, 7) + '\x06' + to60, 60},
      {"a level of 0", to200.substr(0, 6) + '\x00' + to200.substr(7) + to60, 60},
      {"every byte the header byte but the levels",
       Packet({.pitchCue = 'X',
               .rollCue = 'X',
               .vibration = 'X',
               .pitchCentre = 'X',
               .rollCentre = 'X',
               .pitchLevel = 5,
               .rollLevel = 5}),
       'X' - 128 + 'X'},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SendFor(Packet({.pitchLevel = 5, .rollLevel = 5}), 0.4);
    const double from = Position(kPitch);
    double lowest = from, highest = from;
    SendFor(row.stream, 0.45, [&] {
      lowest = std::min(lowest, Position(kPitch));
      highest = std::max(highest, Position(kPitch));
    });
    EXPECT_NEAR(Position(kPitch), row.pitch, Tolerance(GetParam()));
    EXPECT_GT(lowest, std::min(from, row.pitch) - Tolerance(GetParam()));
    EXPECT_LT(highest, std::max(from, row.pitch) + Tolerance(GetParam()));
  }
}

// Half a second without a packet: the vibration stops and both axes glide to their centres at
// level 1. Packets again: the axes set off from where they are, at level 1 until they get there.
TEST_P(FirmwareTest, GlidesToTheCentresWhenTheLineFallsSilent) {
  const Command away{.pitchCue = 228,
                     .rollCue = 28,
                     .vibration = 200,
                     .pitchCentre = 100,
                     .rollCentre = 150,
                     .pitchLevel = 5,
                     .rollLevel = 5};
  SendFor(Packet(away), 4.0);
  ASSERT_NEAR(Position(kPitch), 200, Tolerance(GetParam()));
  ASSERT_NEAR(Position(kRoll), 50, Tolerance(GetParam()));

  const double last = controller_.Now() - kTickSeconds + 0.004;  // the last packet's arrival
  controller_.RunUntil(last + 0.49);
  EXPECT_NEAR(Position(kPitch), 200, Tolerance(GetParam()));
  EXPECT_GT(controller_.VibrationDuty(), 0.7);
  controller_.RunUntil(last + 0.52);
  EXPECT_EQ(controller_.VibrationDuty(), 0);
  controller_.RunUntil(last + 1.5);
  EXPECT_NEAR(Position(kPitch), 200 - 32, 2 * Tolerance(GetParam()));
  EXPECT_NEAR(Position(kRoll), 50 + 32, 2 * Tolerance(GetParam()));
  controller_.RunUntil(last + 0.5 + 100.0 / 32 + 0.2);
  EXPECT_NEAR(Position(kPitch), 100, Tolerance(GetParam()));
  EXPECT_NEAR(Position(kRoll), 150, Tolerance(GetParam()));
  EXPECT_EQ(controller_.VibrationDuty(), 0);

  SendFor(Packet(away), 1.0);
  EXPECT_NEAR(Position(kPitch), 100 + 32, 2 * Tolerance(GetParam()));
  EXPECT_NEAR(controller_.VibrationDuty(), 201 / 256.0, 0.005);
}

// At power-on an axis may be anywhere: a motor's axis sets off from where its potentiometer says
// at level 1, a servo's (which cannot tell) from its centre.
TEST_P(FirmwareTest, SetsOffFromWhereTheAxisIsAtTheSlowestLevel) {
  if (!Servo()) {
    controller_.PlaceMotorAxis(kPitch, 40);
    controller_.PlaceMotorAxis(kRoll, 220);
  }
  controller_.RunUntil(0.5);
  const double pitchFrom = Servo() ? 90 : 40, rollFrom = Servo() ? 160 : 220;
  if (!Servo()) {
    EXPECT_NEAR(Position(kPitch), pitchFrom, 0.01);
  }

  SendFor(Packet({.pitchCentre = 90, .rollCentre = 160, .pitchLevel = 5, .rollLevel = 5}), 1.0);
  EXPECT_NEAR(Position(kPitch), pitchFrom + 32 * (pitchFrom < 90 ? 1 : 0),
              2 * Tolerance(GetParam()));
  EXPECT_NEAR(Position(kRoll), rollFrom - 32 * (rollFrom > 160 ? 1 : 0), 2 * Tolerance(GetParam()));
  SendFor(Packet({.pitchCentre = 90, .rollCentre = 160, .pitchLevel = 5, .rollLevel = 5}), 2.0);
  EXPECT_NEAR(Position(kPitch), 90, Tolerance(GetParam()));
  EXPECT_NEAR(Position(kRoll), 160, Tolerance(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Drives, FirmwareTest,
                         ::testing::Values(FirmwareDrive::kServo, FirmwareDrive::kDcMotor),
                         [](const auto& info) {
                           return info.param == FirmwareDrive::kServo ? "Servo" : "DcMotor";
                         });

// A potentiometer's wire breaks while the platform moves: that motor is switched off for good,
// whatever the packets say; the other axis goes on.
TEST(DcMotorFirmwareTest, SwitchesAMotorOffWhenItsPotentiometerWireBreaks) {
  EmulatedController controller(FirmwareDrive::kDcMotor, DC_MOTOR_FIRMWARE_PATH);
  const auto sendFor = [&](int pitchCue, int rollCue, double seconds) {
    const double end = controller.Now() + seconds;
    while (controller.Now() < end) {
      controller.Send(
          Packet({.pitchCue = pitchCue, .rollCue = rollCue, .pitchLevel = 5, .rollLevel = 5}));
      controller.RunUntil(controller.Now() + kTickSeconds);
    }
  };
  sendFor(200, 60, 4.0);
  controller.BreakPotentiometerWire(kPitch);
  controller.RunUntil(controller.Now() + 0.004);
  EXPECT_EQ(controller.MotorDrive(kPitch), 0);
  const double pitchAt = *controller.Position(kPitch);
  sendFor(40, 220, 1.0);
  EXPECT_EQ(controller.MotorDrive(kPitch), 0);
  EXPECT_NEAR(*controller.Position(kPitch), pitchAt, 2);
  EXPECT_NEAR(*controller.Position(kRoll), 220, 2.5);
}

}  // namespace
}  // namespace veltrano::testing
