// The data-server emulator: its options through a real process and the link client, and its
// built-in flight directly. The process tests own the machine's one FSCONNECT8 and run alone.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "child_process.h"
#include "flight_values.h"
#include "link/link_protocol.h"
#include "platform/error.h"
#include "platform/posix/desktop_window_link.h"
#include "platform/posix/desktop_window_protocol.h"
#include "scripted_flight.h"
#include "simserver_process.h"

namespace veltrano {
namespace {

using testing::ChildProcess;
using testing::SimserverProcess;

constexpr std::int32_t kPitch = 77;
constexpr std::int32_t kBank = 79;
constexpr std::int32_t kSlip = 70;
constexpr std::int32_t kRpm = 135;
constexpr std::int32_t kSpeed = 61;

// One request as the readers make it.
struct Reply {
  std::int16_t status = -1;
  LinkValue value;
  std::string text;
  std::int32_t header = 0;
};

class SimserverTest : public ::testing::Test {
 protected:
  // A new emulator, with a new client that has never seen an earlier one.
  std::unique_ptr<SimserverProcess> Start(const std::vector<std::string>& args) {
    client_.reset();
    link_.emplace();
    client_.emplace(*link_);
    return std::make_unique<SimserverProcess>(args);
  }

  Reply Ask(std::int32_t code) {
    Reply reply;
    reply.status = client_->LinkRequest(code, "n", reply.value, reply.text, reply.header);
    return reply;
  }

  double Value(std::int32_t code) {
    const Reply reply = Ask(code);
    EXPECT_EQ(reply.status, 0) << "code " << code;
    const double* value = std::get_if<double>(&reply.value);
    return value != nullptr ? *value : NAN;
  }

  static void ExpectCleanEnd(SimserverProcess& server) {
    const SimserverProcess::Ending ending = server.Stop();
    EXPECT_EQ(ending.status, 0);
    EXPECT_EQ(ending.atomsLeft, 0);
  }

  std::string WriteFile(const std::string& text) {
    const std::string path = ::testing::TempDir() + "simserver-test-" + std::to_string(getpid()) +
                             "-" + std::to_string(files_++) + ".csv";
    std::ofstream(path) << text;
    written_.push_back(path);
    return path;
  }

  void TearDown() override {
    for (const auto& path : written_) unlink(path.c_str());
  }

  std::optional<DesktopWindowLink> link_;
  std::optional<LinkClient> client_;

 private:
  int files_ = 0;
  std::vector<std::string> written_;
};

int ExitStatusOf(const std::vector<std::string>& args) {
  ChildProcess process(SIMSERVER_PATH, args);
  return process.Wait();
}

TEST_F(SimserverTest, FixedValuesComeBackExactlyAndUnnamedOnesAreZero) {
  {
    const auto server = Start({"--set", "pitch=10.125,bank=30,slip=-8765.5,rpm=2400,speed=120"});
    EXPECT_EQ(Value(kPitch), 10.125);
    EXPECT_EQ(Value(kBank), 30.0);
    EXPECT_EQ(Value(kSlip), -8765.5);
    EXPECT_EQ(Value(kRpm), 2400.0);
    EXPECT_EQ(Value(kSpeed), 120.0);
    ExpectCleanEnd(*server);
  }
  {
    const auto server = Start({"--set", "bank=-30,speed=1e-3"});
    EXPECT_EQ(Value(kBank), 330.0);  // left wing down: 360 minus the angle
    EXPECT_EQ(Value(kSpeed), 0.001);
    EXPECT_EQ(Value(kPitch), 0.0);
    EXPECT_EQ(Value(kSlip), 0.0);
    EXPECT_EQ(Value(kRpm), 0.0);
    ExpectCleanEnd(*server);
  }
}

TEST_F(SimserverTest, ReplyTextIsACounterHeaderAndTheLittleEndianDouble) {
  const auto server = Start({"--set", "rpm=1"});
  const Reply first = Ask(kRpm);
  EXPECT_EQ(first.header, 1);
  EXPECT_EQ(first.text, "000000000000F03F");  // 1.0
  const Reply second = Ask(kRpm);
  EXPECT_EQ(second.header, 2);
  ExpectCleanEnd(*server);
}

TEST_F(SimserverTest, ReplayIsInterpolatedLinearlyAndLoops) {
  const std::string track = WriteFile(
      "time_s,pitch,bank,slip,rpm,speed\n"
      "2,4,350,-100,1000,50\n"
      "4,8,20,100,2000,60\n"
      "\n"
      "12,0,0,0,1000,50\n");
  const struct {
    const char* at;
    double pitch, bank, slip, rpm, speed;
  } cases[] = {
      {"0", 4, 350, -100, 1000, 50},  // before the first row, the first row holds
      {"3", 6, 5, 0, 1500, 55},       // bank through level flight, not round the back
      {"2.5", 5, 357.5, -50, 1250, 52.5}, {"8", 4, 10, 50, 1500, 55},
      {"15", 6, 5, 0, 1500, 55},  // the recording starts over after 12 s
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.at);
    const auto server = Start({"--replay", track, "--at", c.at});
    EXPECT_EQ(Value(kPitch), c.pitch);
    EXPECT_EQ(Value(kBank), c.bank);
    EXPECT_EQ(Value(kSlip), c.slip);
    EXPECT_EQ(Value(kRpm), c.rpm);
    EXPECT_EQ(Value(kSpeed), c.speed);
    ExpectCleanEnd(*server);
  }
}

TEST_F(SimserverTest, ReplayWithoutHeaderIsReadToo) {
  const std::string track = WriteFile("0,1,2,3,4,5\n10,11,12,13,14,15\n");
  const auto server = Start({"--replay", track, "--at", "5"});
  EXPECT_EQ(Value(kPitch), 6.0);
  EXPECT_EQ(Value(kSpeed), 10.0);
  ExpectCleanEnd(*server);
}

TEST_F(SimserverTest, ScriptedFlightServesEveryVariable) {
  const auto server = Start({"--at", "125"});  // a steep right turn in the climb
  EXPECT_GT(Value(kPitch), 0.0);
  EXPECT_NEAR(Value(kBank), 40.0, 5.0);
  EXPECT_GT(Value(kRpm), 2000.0);
  EXPECT_GT(Value(kSpeed), 60.0);
  EXPECT_EQ(Value(kSlip), 0.0);
  ExpectCleanEnd(*server);
}

TEST_F(SimserverTest, TheFlightCanStartPartWayThrough) {
  // The steep right turn lasts from 118 to 130 seconds in; the flight moves on from there.
  const auto server = Start({"--from", "120"});
  EXPECT_EQ(Value(kBank), 40.0);
  ExpectCleanEnd(*server);
}

TEST_F(SimserverTest, AnswerFaultsReachTheirCodesOnly) {
  // Statuses for the codes 77, 79, 70, 135, 61 and the value-less 5 and 6.
  const std::vector<std::int32_t> codes = {kPitch, kBank, kSlip, kRpm, kSpeed, 5, 6};
  const struct {
    std::vector<std::string> args;
    std::vector<std::int16_t> statuses;
  } cases[] = {
      {{"--answer", "3"}, {3, 3, 3, 3, 3, 3, 3}},
      {{"--answer", "0"}, {1, 1, 1, 1, 1, 1, 1}},
      {{"--answer-code", "77=3"}, {3, 0, 0, 0, 0, 1, 1}},
      {{"--answer-code", "all=9", "--answer-code", "61=12"}, {9, 9, 9, 9, 12, 9, 9}},
      {{"--answer-code", "5=2"}, {0, 0, 0, 0, 0, 2, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const auto server = Start(c.args);
    for (std::size_t i = 0; i < codes.size(); ++i) {
      EXPECT_EQ(Ask(codes[i]).status, c.statuses[i]) << "code " << codes[i];
    }
    ExpectCleanEnd(*server);
  }
}

TEST_F(SimserverTest, NegativeAnswerToEverythingIsAnAtomThatDoesNotExist) {
  const auto server = Start({"--answer", "-5"});
  const Reply reply = Ask(kPitch);
  EXPECT_EQ(reply.status, 0);
  EXPECT_EQ(reply.text, "");
  ExpectCleanEnd(*server);
}

TEST_F(SimserverTest, TextFaultsSpoilTheirCodesOnly) {
  const auto server = Start({"--set", "pitch=1,bank=2,slip=3,rpm=4,speed=5", "--bad-hex", "77",
                             "--odd-text", "79", "--short-text", "70", "--unreadable-atom", "135"});
  EXPECT_THROW(Ask(kPitch), Error);
  const Reply odd = Ask(kBank);
  EXPECT_EQ(odd.text,
            "0000000000000040"
            "7");
  const Reply shortText = Ask(kSlip);
  EXPECT_EQ(shortText.header, 3);
  EXPECT_EQ(shortText.text, "");
  const Reply unreadable = Ask(kRpm);
  EXPECT_EQ(unreadable.status, 0);
  EXPECT_EQ(unreadable.header, 0);
  EXPECT_EQ(Value(kSpeed), 5.0);
  ExpectCleanEnd(*server);
}

TEST_F(SimserverTest, FaultForOneCodeGoesBeforeOneForAll) {
  const auto server = Start({"--set", "rpm=4,speed=5", "--short-text", "all", "--odd-text", "61"});
  EXPECT_EQ(Ask(kRpm).text, "");
  EXPECT_EQ(Ask(kSpeed).text.size(), 17u);
  ExpectCleanEnd(*server);
}

TEST_F(SimserverTest, OtherMessagesAndWParamsGetZero) {
  const auto server = Start({"--set", "pitch=1"});
  const std::uint32_t message = desktop_window::MessageIdFor("WM_FSCONNECT");
  const WindowHandle window = link_->FindWindowA("FSCONNECT8");
  ASSERT_NE(window, 0u);
  EXPECT_EQ(link_->SendMessageA(window, message, 2, kPitch), 0);
  EXPECT_EQ(link_->SendMessageA(window, message + 1, 1, kPitch), 0);
  const std::int64_t atomAnswer = link_->SendMessageA(window, message, 1, kPitch);
  EXPECT_LT(atomAnswer, 0);
  EXPECT_EQ(link_->GlobalDeleteAtom(static_cast<Atom>(atomAnswer)), 0);
  ExpectCleanEnd(*server);
}

TEST_F(SimserverTest, ExitAfterAnswersThatManyAndEndsCleanly) {
  const auto server = Start({"--set", "speed=7", "--exit-after", "2"});
  EXPECT_EQ(Value(kSpeed), 7.0);
  EXPECT_EQ(Value(kSpeed), 7.0);
  EXPECT_EQ(Ask(kSpeed).status, 1);
  const SimserverProcess::Ending ending = server->Wait();
  EXPECT_EQ(ending.status, 0);
  EXPECT_EQ(ending.atomsLeft, 0);
}

TEST_F(SimserverTest, ReportCountsAtomsNobodyDeletedAndSigintEndsCleanly) {
  const auto server = Start({"--set", "pitch=1"});
  const WindowHandle window = link_->FindWindowA("FSCONNECT8");
  const std::uint32_t message = desktop_window::MessageIdFor("WM_FSCONNECT");
  for (int i = 0; i < 3; ++i) ASSERT_LT(link_->SendMessageA(window, message, 1, kPitch), 0);
  const SimserverProcess::Ending ending = server->Stop(SIGINT);
  EXPECT_EQ(ending.status, 0);
  EXPECT_EQ(ending.atomsLeft, 3);
}

TEST_F(SimserverTest, VerbosePrintsOneLinePerMessage) {
  const auto server = Start({"--verbose", "--answer-code", "77=4"});
  Ask(kPitch);
  Ask(5);
  const std::string first = server->Process().ReadLine();
  const std::string second = server->Process().ReadLine();
  EXPECT_NE(first.find("code 77 -> 4"), std::string::npos) << first;
  EXPECT_NE(second.find("code 5 -> 0"), std::string::npos) << second;
  ExpectCleanEnd(*server);
}

TEST_F(SimserverTest, SecondEmulatorCannotServeAndSaysSo) {
  const auto server = Start({});
  EXPECT_EQ(ExitStatusOf({}), 1);
  ExpectCleanEnd(*server);
}

TEST_F(SimserverTest, BadOptionsExitWithStatusTwo) {
  const std::string broken = WriteFile("time_s,pitch,bank,slip,rpm,speed\n0,1,2,3\n");
  const std::string backwards = WriteFile("5,1,2,3,4,5\n1,1,2,3,4,5\n");
  const std::string empty = WriteFile("time_s,pitch,bank,slip,rpm,speed\n");
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},
      {"--set"},
      {"--set", "pitch=x"},
      {"--set", "yaw=1"},
      {"--set", "pitch"},
      {"--set", "pitch=1", "--replay", broken},
      {"--answer"},
      {"--answer", "12abc"},
      {"--answer-code", "77"},
      {"--answer-code", "x=1"},
      {"--bad-hex", "42"},
      {"--odd-text", "77", "--short-text", "77"},
      {"--short-text", "all", "--bad-hex", "all"},
      {"--exit-after", "-1"},
      {"--at", "-1"},
      {"--replay", "/nonexistent/track.csv"},
      {"--replay", broken},
      {"--replay", backwards},
      {"--replay", empty},
  };
  for (const auto& args : cases) {
    EXPECT_EQ(ExitStatusOf(args), 2) << ::testing::PrintToString(args);
  }
}

TEST_F(SimserverTest, HelpDescribesTheOptionsAndExitsZero) {
  ChildProcess process(SIMSERVER_PATH, {"--help"});
  const std::string help = process.ReadRest();
  EXPECT_EQ(process.Wait(), 0);
  for (const char* option :
       {"--set", "--replay", "--answer", "--answer-code", "--bad-hex", "--odd-text", "--short-text",
        "--unreadable-atom", "--hang", "--exit-after", "--verbose", "simserver stopped:"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
}

// ---- The built-in flight, sampled directly ----

TEST(ScriptedFlight, MovesSmoothlyThroughEveryManoeuvreAndLoopsWithoutASeam) {
  const simserver::ScriptedFlight flight;
  double minBank = 0, maxBank = 0, minSlip = 0, maxSlip = 0, minPitch = 0, maxPitch = 0;
  double minRpm = 1e9, maxRpm = 0, maxSpeed = 0;
  simserver::FlightValues previous = flight.At(0.0);
  for (double t = 0.05; t <= simserver::ScriptedFlight::kLength + 1e-9; t += 0.05) {
    const simserver::FlightValues now = flight.At(t);
    const double bank = simserver::SignedBank(now.bank);
    ASSERT_GE(now.bank, 0.0);
    ASSERT_LT(now.bank, 360.0);
    // One tick of 50 ms never jumps: a few degrees, a few hundred rpm at most.
    ASSERT_LT(std::abs(now.pitch - previous.pitch), 1.0) << t;
    ASSERT_LT(std::abs(bank - simserver::SignedBank(previous.bank)), 1.5) << t;
    ASSERT_LT(std::abs(now.slip - previous.slip), 200.0) << t;
    ASSERT_LT(std::abs(now.rpm - previous.rpm), 60.0) << t;
    ASSERT_LT(std::abs(now.speed - previous.speed), 1.0) << t;
    minBank = std::min(minBank, bank);
    maxBank = std::max(maxBank, bank);
    minSlip = std::min(minSlip, now.slip);
    maxSlip = std::max(maxSlip, now.slip);
    minPitch = std::min(minPitch, now.pitch);
    maxPitch = std::max(maxPitch, now.pitch);
    minRpm = std::min(minRpm, now.rpm);
    maxRpm = std::max(maxRpm, now.rpm);
    maxSpeed = std::max(maxSpeed, now.speed);
    previous = now;
  }
  EXPECT_EQ(maxBank, 40.0);  // steep turns both ways
  EXPECT_EQ(minBank, -40.0);
  EXPECT_GT(maxSlip, 3000.0);  // the ball out both ways
  EXPECT_LT(minSlip, -3000.0);
  EXPECT_GT(maxPitch, 8.0);  // climbing and descending
  EXPECT_LT(minPitch, -3.0);
  EXPECT_LT(minRpm, 1000.0);
  EXPECT_GT(maxRpm, 2400.0);
  EXPECT_GT(maxSpeed, 100.0);
  EXPECT_EQ(flight.At(simserver::ScriptedFlight::kLength + 17.0), flight.At(17.0));
}

}  // namespace
}  // namespace veltrano
