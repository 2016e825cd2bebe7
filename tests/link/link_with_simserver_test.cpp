// The link client over the Linux desktop transport, against the emulator in a separate process.
// Every test here owns the one FSCONNECT8 of the machine, so they run one after the other.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include "link/link_protocol.h"
#include "platform/error.h"
#include "platform/posix/desktop_window_link.h"
#include "simserver_process.h"

namespace veltrano {
namespace {

using testing::SimserverProcess;
using namespace std::chrono_literals;

// One request, told as "status value header text", with the caller's variables set beforehand
// to what a request must not invent: "1 41.5 -9 before" means nothing was touched. "raises"
// stands for the status when the request raises Error.
std::string Ask(LinkClient& client, std::int32_t code) {
  LinkValue value = 41.5;
  std::string text = "before";
  std::int32_t header = -9;
  std::string status;
  try {
    status = std::to_string(client.LinkRequest(code, "n", value, text, header));
  } catch (const Error&) {
    status = "raises";
  }
  char number[32] = "no value";
  if (auto* v = std::get_if<double>(&value)) *std::to_chars(number, number + 31, *v).ptr = 0;
  return status + " " + number + " " + std::to_string(header) + " " + text;
}

constexpr const char* kNothing = "1 41.5 -9 before";

TEST(LinkWithSimserver, MissingOrGoneServerGivesStatusOneAndIsLookedForAgain) {
  DesktopWindowLink link;
  LinkClient client(link);
  EXPECT_EQ(Ask(client, 61), kNothing);  // no server yet
  {
    SimserverProcess server({"--set", "speed=100", "--exit-after", "1"});
    EXPECT_EQ(Ask(client, 61), "0 100 1 0000000000005940");
    EXPECT_EQ(Ask(client, 61), kNothing);  // the server ends on this one without answering
    server.ExpectCleanEnd(true);
  }
  EXPECT_EQ(Ask(client, 61), kNothing);  // and is gone, its connection closed
  EXPECT_EQ(link.OpenConnections(), 0u);
  SimserverProcess back({"--set", "speed=55.5"});
  EXPECT_EQ(Ask(client, 61), "0 55.5 1 0000000000C04B40");
  back.ExpectCleanEnd();
}

TEST(LinkWithSimserver, AnswersOutsideSixteenBitsRaiseAndNoAnswerIsNoServer) {
  using Case = std::tuple<std::vector<std::string>, std::int32_t, std::string>;  // args, code, Ask
  const Case cases[] = {
      {{"--hang"}, 77, kNothing},  // returns after the time-out all the same
      {{"--answer-code", "79=49153"}, 79, "raises 41.5 -9 before"},  // overflow
      {{"--answer-code", "79=-32769"}, 79, "raises 41.5 -9 before"},
  };
  for (const auto& [args, code, expected] : cases) {
    SimserverProcess server(args);
    DesktopWindowLink link;
    LinkClient client(link);
    EXPECT_EQ(Ask(client, code), expected) << args.back();
    server.ExpectCleanEnd();  // the reply's atom is deleted, also after an error
  }
}

TEST(LinkWithSimserver, ASocketThatCannotBeMadeIsNoServer) {
  SimserverProcess server({"--set", "speed=100"});
  DesktopWindowLink link;
  LinkClient client(link);
  rlimit usual{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &usual), 0);
  rlimit noneLeft = usual;
  noneLeft.rlim_cur = static_cast<rlim_t>(dup(0));  // the lowest free descriptor
  close(static_cast<int>(noneLeft.rlim_cur));
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &noneLeft), 0);
  const std::string outOfDescriptors = Ask(client, 61);
  setrlimit(RLIMIT_NOFILE, &usual);
  EXPECT_EQ(outOfDescriptors, kNothing);
  EXPECT_EQ(Ask(client, 61), "0 100 1 0000000000005940");
  server.ExpectCleanEnd();
}

TEST(LinkWithSimserver, SeveralClientsAtOnceAllGetTheirValues) {
  SimserverProcess server({"--set", "pitch=1.5,bank=350,slip=-2000,rpm=2300,speed=98.25"});
  const std::pair<std::int32_t, std::string> expected[] = {
      {77, "0 1.5 "}, {79, "0 350 "}, {70, "0 -2000 "}, {135, "0 2300 "}, {61, "0 98.25 "}};
  std::atomic<int> wrong = 0;
  std::vector<std::jthread> clients;
  for (int c = 0; c < 4; ++c) {
    clients.emplace_back([&] {
      DesktopWindowLink link(5s);
      LinkClient client(link);
      for (int tick = 0; tick < 40; ++tick) {
        for (const auto& [code, start] : expected) wrong += !Ask(client, code).starts_with(start);
      }
    });
  }
  clients.clear();  // joins them
  EXPECT_EQ(wrong, 0);
  server.ExpectCleanEnd();
}

}  // namespace
}  // namespace veltrano
