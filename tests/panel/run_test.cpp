// Whole runs with real parts: the data-server emulator and the virtual platform as separate
// processes (with a fake simulator over UDP behind the emulator for a live flight), the
// platform's serial line a real pseudo-terminal, the real window offscreen.

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QTest>

#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "fake_xplane.h"
#include "panel/settings_file.h"
#include "panel_support.h"

namespace veltrano::testing {
namespace {

class RunTest : public ::testing::Test {
 protected:
  void StartServer(const std::vector<std::string>& options) {
    server_ = std::make_unique<ChildProcess>(SIMSERVER_PATH, options);
    ASSERT_NE(server_->ReadLine().find("ready"), std::string::npos);
  }

  void StartPlatform() {
    platform_ = std::make_unique<ChildProcess>(VIRTUAL_PLATFORM_PATH,
                                               std::vector<std::string>{"--port", "1", "--print"},
                                               directory_.path().string());
    ASSERT_NE(platform_->ReadLine().find("ready"), std::string::npos);
  }

  void Press(const char* button) {
    QTest::mouseClick(window_->Widget<QAbstractButton>(button), Qt::LeftButton);
  }

  // The packets that the platform printed so far, collected while the window's events run.
  const std::vector<std::string>& Packets() {
    while (auto line = platform_->PollLine()) packets_.push_back(*line);
    return packets_;
  }

  bool WaitForPackets(std::size_t count) {
    return QTest::qWaitFor([&] { return Packets().size() >= count; }, 5000);
  }

  void ExpectRunning(bool running) {
    EXPECT_EQ(window_->form().controls().timer1.Enabled(), running);
    EXPECT_EQ(window_->Widget<QWidget>("Command1")->isEnabled(), !running);
    EXPECT_EQ(window_->Widget<QWidget>("Command2")->isEnabled(), running);
    for (const char* name : kSettingsControls) {
      EXPECT_EQ(window_->Widget<QWidget>(name)->isEnabled(), !running) << name;
    }
  }

  ScratchDirectory directory_;
  std::unique_ptr<ChildProcess> server_;
  std::unique_ptr<ChildProcess> platform_;
  std::vector<std::string> packets_;
  std::unique_ptr<OpenWindow> window_;
};

TEST_F(RunTest, StartDrivesThePlatformFromTheServerAndStopEndsIt) {
  StartServer({"--set", "pitch=10,bank=30,slip=500,rpm=2600,speed=100"});
  StartPlatform();
  window_ = std::make_unique<OpenWindow>();  // no settings file: the defaults

  Press("Command1");
  ExpectRunning(true);
  EXPECT_EQ(ReadFile(kSettingsFileName),
            "1\r\n1\r\n0\r\n0\r\n1\r\n 1 \r\n 127 \r\n 128 \r\n 3 \r\n 3 \r\n");
  ASSERT_TRUE(WaitForPackets(5));
  // Pitch 10 -> 113, bank 30 -> 85, rpm 2600 -> 40, centres 128, levels 3.
  for (const std::string& packet : Packets()) EXPECT_EQ(packet, "58 71 55 28 80 80 03 03");

  Press("Command2");
  ExpectRunning(false);
  QTest::qWait(100);  // what was already on the line
  const std::size_t atStop = Packets().size();
  QTest::qWait(300);
  EXPECT_EQ(Packets().size(), atStop) << "packets after STOP";

  // A second run with SLIP instead of ROLLING and the pitch centre moved up.
  Press("Check4");
  window_->form().controls().vScroll1.SetValue(200);
  Press("Command1");
  ExpectRunning(true);
  const std::size_t before = Packets().size();
  ASSERT_TRUE(WaitForPackets(before + 3));
  // Slip 500 -> 120; the pitch centre goes out as shown (200), the file holds 55.
  EXPECT_EQ(Packets().back(), "58 71 78 28 C8 80 03 03");
  EXPECT_EQ(ReadFile(kSettingsFileName),
            "1\r\n0\r\n0\r\n1\r\n1\r\n 1 \r\n 55 \r\n 128 \r\n 3 \r\n 3 \r\n");
  Press("Command2");
}

TEST_F(RunTest, ALiveSimulatorThroughTheServerDrivesThePlatform) {
  FakeXPlane xplane;
  xplane.Fly({10, 30, 0, 2600, 100});
  StartServer({"--xplane", "127.0.0.1:" + std::to_string(xplane.Port())});
  StartPlatform();
  window_ = std::make_unique<OpenWindow>();
  Press("Command1");
  const auto arrives = [&](const char* packet) {
    return QTest::qWaitFor([&] { return !Packets().empty() && Packets().back() == packet; }, 10000);
  };
  EXPECT_TRUE(arrives("58 71 55 28 80 80 03 03"));  // pitch 10, bank 30 right, rpm 2600
  xplane.Fly({-20, -30, 0, 1300, 100});
  EXPECT_TRUE(arrives("58 9C AA 14 80 80 03 03"));  // pitch -20, bank 30 left, rpm 1300
  Press("Command2");
}

TEST_F(RunTest, WithAccelerationAServerThatGoesComesBackOrHangsMovesNothing) {
  const std::vector<std::string> steadyFlight = {"--set", "pitch=0,bank=30,speed=120"};
  StartServer(steadyFlight);
  StartPlatform();
  window_ = std::make_unique<OpenWindow>(kAnswerWait);  // as the program waits
  BoxWatcher boxes;
  Press("Check3");                   // ACCELERATION instead of PITCHING
  window_->state().lastSpeed = 120;  // as if flying steadily before, whatever the time of day
  // The roll byte tells whether the server is there: bank 30 gives 85, no server 127.
  const auto waitForRoll = [&](const std::string& roll) {
    const std::size_t from = Packets().size();
    return QTest::qWaitFor(
        [&] { return Packets().size() > from && Packets().back().substr(6, 2) == roll; }, 5000);
  };
  Press("Command1");
  ASSERT_TRUE(waitForRoll("55"));
  server_->Stop(SIGKILL);
  ASSERT_TRUE(waitForRoll("7F"));
  EXPECT_EQ(Packets().back(), "58 80 7F 00 80 80 03 03");  // the readers give 0 without a server
  StartServer(steadyFlight);
  ASSERT_TRUE(waitForRoll("55"));
  server_->Stop(SIGKILL);
  // A hung server reads as no server at the usual pace: 30 ticks take 1.5 s, where ticks that
  // waited a quarter second for one request (or a request each) would take 7.5 s (or 37.5 s).
  StartServer({"--hang"});
  ASSERT_TRUE(WaitForPackets(Packets().size() + 30));
  Press("Command2");
  ExpectRunning(false);
  EXPECT_TRUE(boxes.seen().empty());
  for (const std::string& packet : Packets()) EXPECT_EQ(packet.substr(3, 2), "80") << packet;
}

TEST_F(RunTest, AReaderErrorHoldsTheTicksWhileItsBoxIsOpen) {
  StartServer({"--set", "pitch=0,bank=0,slip=0,rpm=0,speed=0", "--answer-code", "79=40000"});
  StartPlatform();
  window_ = std::make_unique<OpenWindow>();
  // A box is modal: while it stands open this test's own code does not run, so what happens
  // meanwhile is looked at just before the watcher closes it.
  std::vector<std::size_t> packetsAtClose;
  BoxWatcher boxes(/*holdMs=*/400, [&] { packetsAtClose.push_back(Packets().size()); });

  Press("Command1");
  ASSERT_TRUE(WaitForPackets(2));  // each tick goes on once its box is closed
  Press("Command2");

  // The first tick waited in its box: nothing was sent in the 400 ms it stood open.
  ASSERT_GE(packetsAtClose.size(), 2u);
  EXPECT_EQ(packetsAtClose[0], 0u);
  EXPECT_EQ(boxes.mostOpenAtOnce(), 1);
  const auto& box = boxes.seen().front();
  EXPECT_EQ(box.title, "VELTRANO");
  EXPECT_EQ(box.icon, QMessageBox::Critical);
  EXPECT_EQ(box.text, "Errore in routine ROLLIO!\n\nOverflow");  // the two CRs as line breaks
  // The failed reader leaves the roll field as it was, so the cue is computed from what it held:
  // 0 at the first tick (cue 127), then the previous cue taken as a bank of 127 degrees (52).
  ASSERT_GE(Packets().size(), 2u);
  EXPECT_EQ(Packets()[0].substr(0, 8), "58 80 7F");
  EXPECT_EQ(Packets()[1].substr(0, 8), "58 80 34");
}

TEST_F(RunTest, APlatformThatGoesAwayEndsTheRunWithOneMessage) {
  StartPlatform();
  window_ = std::make_unique<OpenWindow>();
  BoxWatcher boxes;
  Press("Command1");
  ASSERT_TRUE(WaitForPackets(2));

  platform_->Stop(SIGKILL);  // the device disappears under the open port
  ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.seen().empty() && !boxes.open(); }, 5000));
  QTest::qWait(200);
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].text, "no port");
  ExpectRunning(false);
}

}  // namespace
}  // namespace veltrano::testing
