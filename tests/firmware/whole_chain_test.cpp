// The whole chain, from the flight to the seat: the real window offscreen flies simserver's
// scripted flight with START pressed, its serial port a pseudo-terminal. Every byte that the
// window writes goes, at the time it came, both into the firmware in the AVR simulator (at the
// serial line's pace) and into the virtual platform's motion model; the two platforms must stand
// within a few units of each other all the way.

#include <gtest/gtest.h>
#include <unistd.h>
#include <QAbstractButton>
#include <QApplication>
#include <QSocketNotifier>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "child_process/child_process.h"
#include "emulated_controller.h"
#include "panel_support.h"
#include "platform_state.h"
#include "pseudo_terminal_link.h"

namespace veltrano::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Bytes as one read of the pseudo-terminal gave them, and when, in seconds since START.
struct Arrival {
  double seconds;
  std::string bytes;
};

// From the take-off roll through the rotation and the climb into a steep right turn: both axes
// move, and both cues are at rest when the run starts, where the firmware's first move (at the
// slowest level) and the model's (at the packet's) agree.
constexpr const char* kFlightFrom = "60";
constexpr std::chrono::seconds kFlightLength{60};
// What a servo's pulse or a motor's potentiometer may differ from the model, in travel units.
constexpr double kAgreement[] = {1.0, 3.0};

std::vector<Arrival> FlyTheWindow() {
  ScratchDirectory directory;
  const virtual_platform::PseudoTerminalLink link(1);
  ChildProcess server(SIMSERVER_PATH, {"--from", kFlightFrom});
  EXPECT_NE(server.ReadLine().find("ready"), std::string::npos);

  std::vector<Arrival> arrivals;
  Clock::time_point started;
  QSocketNotifier incoming(link.Master(), QSocketNotifier::Read);
  QObject::connect(&incoming, &QSocketNotifier::activated, [&] {
    char chunk[256];
    const ssize_t size = read(link.Master(), chunk, sizeof chunk);
    const std::chrono::duration<double> since = Clock::now() - started;
    if (size > 0) arrivals.push_back({since.count(), std::string(chunk, size)});
  });

  OpenWindow window;  // the default settings: PITCHING, ROLLING, VIBRATION on COM1, levels 3
  started = Clock::now();
  QTest::mouseClick(window.Widget<QAbstractButton>("Command1"), Qt::LeftButton);
  QTest::qWait(static_cast<int>(std::chrono::milliseconds(kFlightLength).count()));
  QTest::mouseClick(window.Widget<QAbstractButton>("Command2"), Qt::LeftButton);
  return arrivals;
}

struct Differences {
  double axes[2] = {0, 0};
  double vibration = 0;
  double rollTravel = 0;  // how far the model's roll went, so that the run shows something
};

// Replays the arrivals into a controller powered on a little before START and into the model,
// comparing them every 5 ms from the first packet on.
Differences Replay(const std::vector<Arrival>& arrivals, FirmwareDrive drive, const char* elf) {
  constexpr double kPoweredBefore = 0.3;
  EmulatedController controller(drive, elf);
  virtual_platform::PacketSplitter splitter;
  virtual_platform::PlatformState model;
  const auto at = [](double seconds) {
    return Clock::time_point(
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds)));
  };
  // The controller acts on a packet at the next of its millisecond ticks: the model gets each
  // byte a millisecond after the line has brought it.
  std::deque<std::pair<double, std::uint8_t>> toModel;
  const auto forModel = [&](std::uint8_t byte, double seconds) {
    toModel.emplace_back(seconds + 0.001, byte);
  };
  const auto feedModel = [&](double until) {
    for (; !toModel.empty() && toModel.front().first <= until; toModel.pop_front()) {
      const auto [seconds, byte] = toModel.front();
      for (const PlatformPacket& packet : splitter.Feed(std::string(1, static_cast<char>(byte)))) {
        model.Accept(packet, at(seconds));
      }
    }
  };

  Differences seen;
  double rollLow = 255, rollHigh = 0;
  std::size_t next = 0;
  const double end = arrivals.back().seconds + kPoweredBefore + 0.1;
  for (double sample = 0.005; sample < end; sample += 0.005) {
    for (; next < arrivals.size() && arrivals[next].seconds + kPoweredBefore <= sample; ++next) {
      controller.RunUntil(arrivals[next].seconds + kPoweredBefore, forModel);
      controller.Send(arrivals[next].bytes);
    }
    controller.RunUntil(sample, forModel);
    feedModel(sample);
    model.AdvanceTo(at(sample));
    if (!model.Latest()) continue;
    const double modelAxes[] = {model.Pitch().Position(), model.Roll().Position()};
    for (const PlatformAxis axis : {PlatformAxis::kPitch, PlatformAxis::kRoll}) {
      const int index = static_cast<int>(axis);
      const double difference =
          std::abs(controller.Position(axis).value_or(-1000) - modelAxes[index]);
      seen.axes[index] = std::max(seen.axes[index], difference);
    }
    seen.vibration =
        std::max(seen.vibration, std::abs(controller.VibrationDuty() - model.Vibration() / 255.0));
    rollLow = std::min(rollLow, modelAxes[1]);
    rollHigh = std::max(rollHigh, modelAxes[1]);
  }
  seen.rollTravel = rollHigh - rollLow;
  return seen;
}

TEST(WholeChainTest, TheEmulatedControllerMovesAsTheVirtualPlatformSays) {
  const std::vector<Arrival> arrivals = FlyTheWindow();
  std::size_t bytes = 0;
  for (const Arrival& arrival : arrivals) bytes += arrival.bytes.size();
  // Twenty packets a second; this only asks that the run took place, whatever the load.
  ASSERT_GT(bytes, 8u * 15 * static_cast<std::size_t>(kFlightLength.count()));

  const struct {
    FirmwareDrive drive;
    const char* name;
    const char* elf;
  } drives[] = {{FirmwareDrive::kServo, "servos", SERVO_FIRMWARE_PATH},
                {FirmwareDrive::kDcMotor, "DC motors", DC_MOTOR_FIRMWARE_PATH}};
  for (const auto& drive : drives) {
    SCOPED_TRACE(drive.name);
    const Differences seen = Replay(arrivals, drive.drive, drive.elf);
    const double agreement = kAgreement[static_cast<int>(drive.drive)];
    std::printf(
        "%s: largest difference from the virtual platform: pitch %.2f, roll %.2f units, "
        "vibration duty %.4f\n",
        drive.name, seen.axes[0], seen.axes[1], seen.vibration);
    EXPECT_LT(seen.axes[0], agreement);
    EXPECT_LT(seen.axes[1], agreement);
    EXPECT_LT(seen.vibration, 0.01);
    EXPECT_GT(seen.rollTravel, 40);
  }
}

}  // namespace
}  // namespace veltrano::testing

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
