// Whole runs with real parts: the data-server emulator and the virtual platform as separate
// processes, the platform's serial line a real pseudo-terminal, the real window offscreen.

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QTest>

#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "panel/settings_file.h"
#include "panel_support.h"

namespace veltrano::testing {
namespace {

// Packets that the virtual platform received, collected while the window's events run.
class PlatformPackets {
 public:
  explicit PlatformPackets(ChildProcess& platform) : platform_(platform) {}

  bool WaitFor(std::size_t count, int timeoutMs = 5000) {
    return QTest::qWaitFor(
        [&] {
          Collect();
          return lines_.size() >= count;
        },
        timeoutMs);
  }

  // Runs the window's events for a while and gives what arrived meanwhile.
  std::vector<std::string> During(int ms) {
    Collect();
    const std::size_t before = lines_.size();
    QTest::qWait(ms);
    Collect();
    return {lines_.begin() + static_cast<std::ptrdiff_t>(before), lines_.end()};
  }

  const std::vector<std::string>& lines() {
    Collect();
    return lines_;
  }

 private:
  void Collect() {
    while (auto line = platform_.PollLine()) lines_.push_back(*line);
  }

  ChildProcess& platform_;
  std::vector<std::string> lines_;
};

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
    packets_ = std::make_unique<PlatformPackets>(*platform_);
  }

  void Press(const char* button) {
    QTest::mouseClick(window_->Widget<QAbstractButton>(button), Qt::LeftButton);
  }

  void ExpectRunning(bool running) {
    PanelControls& controls = window_->form().controls();
    EXPECT_EQ(controls.timer1.Enabled(), running);
    EXPECT_EQ(controls.command1.Enabled(), !running);
    EXPECT_EQ(controls.command2.Enabled(), running);
    for (Control* control : std::initializer_list<Control*>{
             &controls.check1, &controls.check2, &controls.check3, &controls.check4,
             &controls.check5, &controls.combo1, &controls.vScroll1, &controls.hScroll1}) {
      EXPECT_EQ(control->Enabled(), !running) << control->Name();
    }
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(controls.pitchLevels[i]->Enabled(), !running);
      EXPECT_EQ(controls.rollLevels[i]->Enabled(), !running);
    }
  }

  ScratchDirectory directory_;
  std::unique_ptr<ChildProcess> server_;
  std::unique_ptr<ChildProcess> platform_;
  std::unique_ptr<PlatformPackets> packets_;
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
  ASSERT_TRUE(packets_->WaitFor(5));
  // Pitch 10 -> 113, bank 30 -> 85, rpm 2600 -> 40, centres 128, levels 3.
  for (const std::string& packet : packets_->lines()) EXPECT_EQ(packet, "58 71 55 28 80 80 03 03");

  Press("Command2");
  ExpectRunning(false);
  packets_->During(100);  // what was already on the line
  EXPECT_TRUE(packets_->During(300).empty()) << "packets after STOP";

  // A second run with SLIP instead of ROLLING and the pitch centre moved up.
  Press("Check4");
  window_->form().controls().vScroll1.SetValue(200);
  Press("Command1");
  ExpectRunning(true);
  const std::size_t before = packets_->lines().size();
  ASSERT_TRUE(packets_->WaitFor(before + 3));
  // Slip 500 -> 120; the pitch centre goes out as shown (200), the file holds 55.
  EXPECT_EQ(packets_->lines().back(), "58 71 78 28 C8 80 03 03");
  EXPECT_EQ(ReadFile(kSettingsFileName),
            "1\r\n0\r\n0\r\n1\r\n1\r\n 1 \r\n 55 \r\n 128 \r\n 3 \r\n 3 \r\n");
  Press("Command2");
}

TEST_F(RunTest, WithoutAServerTheReadersGiveZero) {
  StartPlatform();
  window_ = std::make_unique<OpenWindow>();
  Press("Command1");
  ASSERT_TRUE(packets_->WaitFor(2));
  EXPECT_EQ(packets_->lines().back(), "58 80 7F 00 80 80 03 03");
  Press("Command2");
}

TEST_F(RunTest, AReaderErrorHoldsTheTicksWhileItsBoxIsOpen) {
  StartServer({"--set", "pitch=0,bank=0,slip=0,rpm=0,speed=0", "--answer-code", "79=40000"});
  StartPlatform();
  window_ = std::make_unique<OpenWindow>();
  // A box is modal: while it stands open this test's own code does not run, so what happens
  // meanwhile is looked at just before the watcher closes it.
  std::vector<std::size_t> packetsAtClose;
  BoxWatcher boxes(/*holdMs=*/400, [&] { packetsAtClose.push_back(packets_->lines().size()); });

  Press("Command1");
  ASSERT_TRUE(packets_->WaitFor(2));  // each tick goes on once its box is closed
  Press("Command2");

  // The first tick waited in its box: nothing was sent in the 400 ms it stood open.
  ASSERT_GE(packetsAtClose.size(), 2u);
  EXPECT_EQ(packetsAtClose[0], 0u);
  EXPECT_EQ(boxes.mostOpenAtOnce(), 1);
  const auto& box = boxes.seen().front();
  EXPECT_EQ(box.title, "VELTRANO");
  EXPECT_EQ(box.icon, QMessageBox::Critical);
  EXPECT_NE(box.text.find("Errore in routine ROLLIO!"), std::string::npos) << box.text;
  EXPECT_NE(box.text.find("Overflow"), std::string::npos) << box.text;
  // The failed reader leaves the roll field as it was, so the cue is computed from what it held:
  // 0 at the first tick (cue 127), then the previous cue taken as a bank of 127 degrees (52).
  ASSERT_GE(packets_->lines().size(), 2u);
  EXPECT_EQ(packets_->lines()[0].substr(0, 8), "58 80 7F");
  EXPECT_EQ(packets_->lines()[1].substr(0, 8), "58 80 34");
}

TEST_F(RunTest, APlatformThatGoesAwayEndsTheRunWithOneMessage) {
  StartPlatform();
  window_ = std::make_unique<OpenWindow>();
  BoxWatcher boxes;
  Press("Command1");
  ASSERT_TRUE(packets_->WaitFor(2));

  platform_->Stop(SIGKILL);  // the device disappears under the open port
  ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.seen().empty() && !boxes.open(); }, 5000));
  QTest::qWait(200);
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].text, "no port");
  ExpectRunning(false);
}

}  // namespace
}  // namespace veltrano::testing
