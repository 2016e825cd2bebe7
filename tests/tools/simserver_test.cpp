// The data-server emulator as a separate process, read through the link client. It owns the
// machine's one FSCONNECT8, so these tests run alone.

#include <gtest/gtest.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
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
using Cases = std::pair<std::vector<std::string>, std::string>[];
constexpr std::int32_t kPitch = 77, kBank = 79, kSlip = 70, kRpm = 135, kSpeed = 61;

// One request in short: "status N", "error" when it raises, or the value in its shortest exact
// form, followed by "/N" when the reply text has N digits instead of the usual 16.
std::string Outcome(LinkClient& client, std::int32_t code) {
  LinkValue value;
  std::string text;
  std::int32_t header = 0;
  try {
    if (const std::int16_t status = client.LinkRequest(code, "n", value, text, header)) {
      return "status " + std::to_string(status);
    }
  } catch (const Error&) {
    return "error";
  }
  char number[32] = "no value";
  if (auto* v = std::get_if<double>(&value)) *std::to_chars(number, number + 31, *v).ptr = 0;
  return number + (text.size() == 16 ? "" : "/" + std::to_string(text.size()));
}

// The outcomes for `codes` from a new client of the emulator run with `args`, joined by ", ".
std::string Outcomes(const std::vector<std::string>& args, const std::vector<std::int32_t>& codes) {
  testing::SimserverProcess server(args);
  DesktopWindowLink link(std::chrono::seconds(5));  // a wait that a busy machine does not run out
  LinkClient client(link);
  std::string outcomes;
  for (const std::int32_t code : codes) outcomes += ", " + Outcome(client, code);
  server.ExpectCleanEnd();
  return outcomes.substr(2);
}

TEST(Simserver, ValuesComeBackAsSetOrReplayedBetweenTheRecordedRowsOrFlown) {
  const std::string track = ::testing::TempDir() + "simserver-" + std::to_string(getpid()) + ".csv";
  std::ofstream(track) << "time_s,pitch,bank,slip,rpm,speed\n2,4,350,-100,1000,50\n"
                          "4,8,20,100,2000,60\n12,0,0,0,1000,50\n";
  for (const auto& [args, expected] : Cases{
           {{"--set", "pitch=10.125,bank=30,slip=-8765.5,rpm=2400,speed=120"},
            "10.125, 30, -8765.5, 2400, 120"},
           {{"--set", "bank=-30,speed=1e-3"}, "0, 330, 0, 0, 0.001"},     // 360 - angle
           {{"--replay", track, "--at", "0"}, "4, 350, -100, 1000, 50"},  // the first row holds
           {{"--replay", track, "--at", "2.5"}, "5, 357.5, -50, 1250, 52.5"},
           {{"--replay", track, "--at", "3"}, "6, 5, 0, 1500, 55"},  // banks through 0, not round
           {{"--replay", track, "--at", "8"}, "4, 10, 50, 1500, 55"},
           {{"--replay", track, "--at", "15"}, "6, 5, 0, 1500, 55"},  // starts over after 12 s
           {{"--from", "120"}, "6, 40, 0, 2450, 85"},  // in the steep right turn, 118 to 130 s
       }) {
    EXPECT_EQ(Outcomes(args, {kPitch, kBank, kSlip, kRpm, kSpeed}), expected) << args.back();
  }
  unlink(track.c_str());
}

TEST(Simserver, FaultsReachTheirCodesOnly) {
  // With pitch 1 and bank 2: the outcomes for pitch, bank and the value-less code 5.
  for (const auto& [faults, expected] : Cases{
           {{"--answer", "3"}, "status 3, status 3, status 3"},
           {{"--answer", "-5"}, "0/0, 0/0, 0/0"},  // an atom that does not exist
           {{"--answer-code", "77=3"}, "status 3, 2, status 1"},
           {{"--answer-code", "all=9", "--answer-code", "79=12"}, "status 9, status 12, status 9"},
           {{"--bad-hex", "77"}, "error, 2, status 1"},
           {{"--odd-text", "79"}, "1, 2/17, status 1"},
           {{"--short-text", "all", "--odd-text", "77"}, "1/17, 0/0, status 1"},
           {{"--unreadable-atom", "79"}, "1, 0/0, status 1"},
       }) {
    std::vector<std::string> args = {"--set", "pitch=1,bank=2"};
    args.insert(args.end(), faults.begin(), faults.end());
    EXPECT_EQ(Outcomes(args, {kPitch, kBank, 5}), expected) << ::testing::PrintToString(faults);
  }
}

TEST(Simserver, BadOptionsExitWithStatusTwoAndHelpWithZero) {
  EXPECT_EQ(ChildProcess(SIMSERVER_PATH, {"--bogus"}).Wait(), 2);
  EXPECT_EQ(ChildProcess(SIMSERVER_PATH, {"--set", "pitch=x"}).Wait(), 2);
  EXPECT_EQ(ChildProcess(SIMSERVER_PATH, {"--odd-text", "77", "--short-text", "77"}).Wait(), 2);
  EXPECT_EQ(ChildProcess(SIMSERVER_PATH, {"--replay", "/nonexistent/track.csv"}).Wait(), 2);
  EXPECT_EQ(ChildProcess(SIMSERVER_PATH, {"--help"}).Wait(), 0);
}

}  // namespace
}  // namespace veltrano
