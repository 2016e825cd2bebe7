// The data-server emulator as a separate process, read through the link client. It owns the
// machine's one FSCONNECT8, so these tests run alone.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <variant>
#include <vector>

#include "child_process.h"
#include "link/link_protocol.h"
#include "platform/error.h"
#include "platform/posix/desktop_window_link.h"
#include "simserver_process.h"

namespace veltrano {
namespace {

using testing::ChildProcess;
using testing::SimserverProcess;

constexpr std::int32_t kPitch = 77, kBank = 79, kSlip = 70, kRpm = 135, kSpeed = 61;

// A new emulator and a client that has never seen an earlier one.
struct Session {
  explicit Session(const std::vector<std::string>& args) : server(args) {}

  // pitch, bank, slip, rpm and speed as the client reads them.
  std::vector<double> Values() {
    std::vector<double> values;
    for (const std::int32_t code : {kPitch, kBank, kSlip, kRpm, kSpeed}) {
      LinkValue value;
      std::string text;
      std::int32_t header = 0;
      EXPECT_EQ(client.LinkRequest(code, "n", value, text, header), 0) << code;
      values.push_back(std::holds_alternative<double>(value) ? std::get<double>(value) : NAN);
    }
    return values;
  }

  // One request in short: "error", "status N", or the whole-number value and the text's length.
  std::string Outcome(std::int32_t code) {
    LinkValue value;
    std::string text;
    std::int32_t header = 0;
    try {
      const std::int16_t status = client.LinkRequest(code, "n", value, text, header);
      if (status != 0) return "status " + std::to_string(status);
    } catch (const Error&) {
      return "error";
    }
    return std::to_string(std::lround(std::get<double>(value))) + "/" + std::to_string(text.size());
  }

  DesktopWindowLink link;
  LinkClient client{link};
  SimserverProcess server;
};

TEST(Simserver, ValuesComeBackAsSetOrReplayedBetweenTheRecordedRows) {
  const std::string track = ::testing::TempDir() + "simserver-" + std::to_string(getpid()) + ".csv";
  std::ofstream(track) << "time_s,pitch,bank,slip,rpm,speed\n2,4,350,-100,1000,50\n"
                          "4,8,20,100,2000,60\n12,0,0,0,1000,50\n";
  const struct {
    std::vector<std::string> args;
    std::vector<double> values;
  } cases[] = {
      {{"--set", "pitch=10.125,bank=30,slip=-8765.5,rpm=2400,speed=120"},
       {10.125, 30, -8765.5, 2400, 120}},
      {{"--set", "bank=-30,speed=1e-3"}, {0, 330, 0, 0, 0.001}},     // left wing down: 360 - angle
      {{"--replay", track, "--at", "0"}, {4, 350, -100, 1000, 50}},  // the first row holds
      {{"--replay", track, "--at", "2.5"}, {5, 357.5, -50, 1250, 52.5}},
      {{"--replay", track, "--at", "3"}, {6, 5, 0, 1500, 55}},  // banks through level, not round
      {{"--replay", track, "--at", "8"}, {4, 10, 50, 1500, 55}},
      {{"--replay", track, "--at", "15"}, {6, 5, 0, 1500, 55}},  // starts over after 12 s
  };
  for (const auto& c : cases) {
    Session session(c.args);
    EXPECT_EQ(session.Values(), c.values) << ::testing::PrintToString(c.args);
    session.server.ExpectCleanEnd();
  }
  unlink(track.c_str());
}

TEST(Simserver, TheFlightCanStartPartWayThrough) {
  // The steep right turn lasts from 118 to 130 seconds in; the flight moves on from there.
  Session session({"--from", "120"});
  EXPECT_EQ(session.Values()[1], 40.0);
  session.server.ExpectCleanEnd();
}

TEST(Simserver, FaultsReachTheirCodesOnly) {
  // With pitch 1 and bank 2: the outcomes for pitch, bank and the value-less code 5.
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> outcomes;
  } cases[] = {
      {{"--answer", "3"}, {"status 3", "status 3", "status 3"}},
      {{"--answer", "-5"}, {"0/0", "0/0", "0/0"}},  // an atom that does not exist
      {{"--answer-code", "77=3"}, {"status 3", "2/16", "status 1"}},
      {{"--answer-code", "all=9", "--answer-code", "79=12"}, {"status 9", "status 12", "status 9"}},
      {{"--bad-hex", "77"}, {"error", "2/16", "status 1"}},
      {{"--odd-text", "79"}, {"1/16", "2/17", "status 1"}},
      {{"--short-text", "all", "--odd-text", "77"}, {"1/17", "0/0", "status 1"}},
      {{"--unreadable-atom", "79"}, {"1/16", "0/0", "status 1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    std::vector<std::string> args = {"--set", "pitch=1,bank=2"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Session session(args);
    EXPECT_EQ(session.Outcome(kPitch), c.outcomes[0]);
    EXPECT_EQ(session.Outcome(kBank), c.outcomes[1]);
    EXPECT_EQ(session.Outcome(5), c.outcomes[2]);
    session.server.ExpectCleanEnd();
  }
}

TEST(Simserver, BadOptionsExitWithStatusTwoAndHelpWithZero) {
  const std::vector<std::string> cases[] = {{"--bogus"},
                                            {"--set", "pitch=x"},
                                            {"--at", "-1"},
                                            {"--odd-text", "77", "--short-text", "77"},
                                            {"--replay", "/nonexistent/track.csv"}};
  for (const auto& args : cases) {
    EXPECT_EQ(ChildProcess(SIMSERVER_PATH, args).Wait(), 2) << ::testing::PrintToString(args);
  }
  EXPECT_EQ(ChildProcess(SIMSERVER_PATH, {"--help"}).Wait(), 0);
}

}  // namespace
}  // namespace veltrano
