// The link client over the Linux desktop transport, against the emulator in a separate process.
// Every test here owns the one FSCONNECT8 of the machine, so they run one after the other.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
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

// The caller's variables of one request, set to values that a request must not invent.
struct Request {
  LinkValue value = 41.5;
  std::string replyText = "before";
  std::int32_t replyHeader = -9;

  std::int16_t Send(LinkClient& client, std::int32_t code) {
    return client.LinkRequest(code, "n", value, replyText, replyHeader);
  }
  bool Untouched() const {
    return value == LinkValue(41.5) && replyText == "before" && replyHeader == -9;
  }
};

TEST(LinkWithSimserver, MissingOrGoneServerGivesStatusOneAndIsLookedForAgain) {
  DesktopWindowLink link;
  LinkClient client(link);
  const auto expectNothing = [&] {
    Request request;
    EXPECT_EQ(request.Send(client, 61), 1);
    EXPECT_TRUE(request.Untouched());
  };
  const auto expectSpeed = [&](double speed) {
    Request request;
    EXPECT_EQ(request.Send(client, 61), 0);
    EXPECT_EQ(request.value, LinkValue(speed));
  };
  expectNothing();  // no server yet
  {
    SimserverProcess server({"--set", "speed=100", "--exit-after", "1"});
    expectSpeed(100);
    expectNothing();  // the server ends on this one without answering
    server.ExpectCleanEnd(true);
  }
  expectNothing();  // and is gone
  SimserverProcess back({"--set", "speed=55.5"});
  expectSpeed(55.5);
  back.ExpectCleanEnd();
}

TEST(LinkWithSimserver, AnswersAndRepliesReachTheCallerOrRaise) {
  constexpr int kRaises = -1;
  const struct {
    std::vector<std::string> args;
    std::int32_t code;
    int status;
    LinkValue value;
    std::int32_t header;
    std::string text;
  } cases[] = {
      {{"--answer-code", "77=7"}, 77, 7, 41.5, -9, "before"},  // statuses change nothing
      {{"--answer", "32767"}, 77, 32767, 41.5, -9, "before"},
      {{"--answer", "0"}, 77, 1, 41.5, -9, "before"},
      {{"--hang"}, 77, 1, 41.5, -9, "before"},  // returns after the time-out all the same
      {{"--answer-code", "79=49153"}, 79, kRaises, 41.5, -9, "before"},  // overflow
      {{"--answer-code", "79=-32769"}, 79, kRaises, 41.5, -9, "before"},
      // A pair that is not hexadecimal: the whole reply stays with the caller.
      {{"--set", "rpm=2400", "--bad-hex", "135"},
       135,
       kRaises,
       41.5,
       -9,
       "01000000G100000000C0A240"},
      {{"--set", "pitch=-12.5", "--odd-text", "77"}, 77, 0, -12.5, 1, "00000000000029C07"},
      {{"--set", "speed=100", "--short-text", "all"}, 61, 0, 0.0, 1, ""},
      {{"--set", "bank=30", "--unreadable-atom", "79"}, 79, 0, 0.0, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    SimserverProcess server(c.args);
    DesktopWindowLink link;
    LinkClient client(link);
    Request request;
    if (c.status == kRaises) {
      EXPECT_THROW(request.Send(client, c.code), Error);
    } else {
      EXPECT_EQ(request.Send(client, c.code), c.status);
    }
    EXPECT_EQ(request.value, c.value);
    EXPECT_EQ(request.replyHeader, c.header);
    EXPECT_EQ(request.replyText, c.text);
    server.ExpectCleanEnd();  // the reply's atom is deleted, also after an error
  }
}

TEST(LinkWithSimserver, SeveralClientsAtOnceAllGetTheirValues) {
  SimserverProcess server({"--set", "pitch=1.5,bank=350,slip=-2000,rpm=2300,speed=98.25"});
  const std::pair<std::int32_t, double> expected[] = {
      {77, 1.5}, {79, 350.0}, {70, -2000.0}, {135, 2300.0}, {61, 98.25}};
  std::atomic<int> wrong = 0;
  std::vector<std::thread> clients;
  for (int c = 0; c < 4; ++c) {
    clients.emplace_back([&] {
      DesktopWindowLink link(5s);
      LinkClient client(link);
      for (int tick = 0; tick < 40; ++tick) {
        for (const auto& [code, value] : expected) {
          Request request;
          if (request.Send(client, code) != 0 || request.value != LinkValue(value)) ++wrong;
        }
      }
    });
  }
  for (auto& client : clients) client.join();
  EXPECT_EQ(wrong, 0);
  server.ExpectCleanEnd();
}

}  // namespace
}  // namespace veltrano
