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

  std::int16_t Send(LinkClient& client, std::int32_t code, std::string_view type = "n") {
    return client.LinkRequest(code, type, value, replyText, replyHeader);
  }
  bool Untouched() const {
    return value == LinkValue(41.5) && replyText == "before" && replyHeader == -9;
  }
};

double AsDouble(const LinkValue& value) { return std::get<double>(value); }

void ExpectCleanEnd(SimserverProcess& server) {
  const SimserverProcess::Ending ending = server.Stop();
  EXPECT_EQ(ending.status, 0);
  EXPECT_EQ(ending.atomsLeft, 0);
}

TEST(LinkWithSimserver, WithoutServerGivesStatusOneAndLooksAgainNextTime) {
  DesktopWindowLink link;
  LinkClient client(link);
  Request request;
  EXPECT_EQ(request.Send(client, 77), 1);
  EXPECT_EQ(request.Send(client, 77), 1);
  EXPECT_TRUE(request.Untouched());

  SimserverProcess server({"--set", "pitch=12.25"});
  EXPECT_EQ(request.Send(client, 77), 0);
  EXPECT_EQ(AsDouble(request.value), 12.25);
  ExpectCleanEnd(server);
}

TEST(LinkWithSimserver, ServerThatExitsGivesStatusOneAndOneThatComesBackIsFound) {
  DesktopWindowLink link;
  LinkClient client(link);
  {
    SimserverProcess server({"--set", "speed=100", "--exit-after", "1"});
    Request first;
    ASSERT_EQ(first.Send(client, 61), 0);
    EXPECT_EQ(AsDouble(first.value), 100.0);
    Request second;
    EXPECT_EQ(second.Send(client, 61), 1);  // the server ends on this one without answering
    EXPECT_TRUE(second.Untouched());
    const SimserverProcess::Ending ending = server.Wait();
    EXPECT_EQ(ending.status, 0);
    EXPECT_EQ(ending.atomsLeft, 0);
  }
  Request gone;
  EXPECT_EQ(gone.Send(client, 61), 1);
  EXPECT_TRUE(gone.Untouched());

  for (const char* speed : {"55.5", "66.75"}) {
    SimserverProcess server({"--set", std::string("speed=") + speed});
    Request back;
    EXPECT_EQ(back.Send(client, 61), 0);
    EXPECT_EQ(AsDouble(back.value), std::stod(speed));
    ExpectCleanEnd(server);  // killed this time, not ended by itself
    EXPECT_EQ(back.Send(client, 61), 1);
  }
}

TEST(LinkWithSimserver, PositiveAndZeroAnswersAreStatusesThatChangeNothing) {
  const struct {
    std::vector<std::string> args;
    std::int16_t status;
  } cases[] = {
      {{"--answer-code", "77=7"}, 7}, {{"--answer", "3"}, 3}, {{"--answer", "32767"}, 32767},
      {{"--answer", "1"}, 1},         {{"--answer", "0"}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    SimserverProcess server(c.args);
    DesktopWindowLink link;
    LinkClient client(link);
    Request request;
    EXPECT_EQ(request.Send(client, 77), c.status);
    EXPECT_TRUE(request.Untouched());
    ExpectCleanEnd(server);
  }
}

TEST(LinkWithSimserver, AnswersOutsideSixteenBitsRaiseOverflow) {
  for (const char* answer : {"40000", "49153", "-32769"}) {
    SCOPED_TRACE(answer);
    SimserverProcess server({"--answer-code", std::string("79=") + answer});
    DesktopWindowLink link;
    LinkClient client(link);
    Request request;
    EXPECT_THROW(request.Send(client, 79), Error);
    EXPECT_TRUE(request.Untouched());
    Request other;
    EXPECT_EQ(other.Send(client, 77), 0);  // the link carries on after the error
    ExpectCleanEnd(server);
  }
}

TEST(LinkWithSimserver, PairThatIsNotHexadecimalRaisesAfterTheAtomIsDeleted) {
  SimserverProcess server({"--set", "rpm=2400", "--bad-hex", "135"});
  DesktopWindowLink link;
  LinkClient client(link);
  Request request;
  EXPECT_THROW(request.Send(client, 135), Error);
  ASSERT_EQ(request.replyText.size(), 24u);  // the whole reply text stays with the caller
  EXPECT_EQ(request.replyText.substr(0, 10), "01000000G1");
  EXPECT_EQ(request.value, LinkValue(41.5));
  EXPECT_EQ(request.replyHeader, -9);
  ExpectCleanEnd(server);  // no atom left behind
}

TEST(LinkWithSimserver, OddAndShortTextsDecodeWhatThereIs) {
  {
    SimserverProcess server({"--set", "pitch=-12.5", "--odd-text", "77"});
    DesktopWindowLink link;
    LinkClient client(link);
    Request odd;
    EXPECT_EQ(odd.Send(client, 77), 0);
    EXPECT_EQ(AsDouble(odd.value), -12.5);
    EXPECT_EQ(odd.replyHeader, 1);
    EXPECT_EQ(odd.replyText.size(), 17u);
    ExpectCleanEnd(server);
  }
  {
    SimserverProcess server({"--set", "speed=100", "--short-text", "all"});
    DesktopWindowLink link;
    LinkClient client(link);
    Request shortText;
    EXPECT_EQ(shortText.Send(client, 61), 0);
    EXPECT_EQ(AsDouble(shortText.value), 0.0);
    EXPECT_EQ(shortText.replyHeader, 1);
    EXPECT_EQ(shortText.replyText, "");
    Request second;
    EXPECT_EQ(second.Send(client, 61, "e"), 0);
    EXPECT_EQ(second.value, LinkValue(std::int32_t{0}));
    EXPECT_EQ(second.replyHeader, 2);
    ExpectCleanEnd(server);
  }
}

TEST(LinkWithSimserver, AtomWhoseNameCannotBeReadGivesAnEmptyReply) {
  SimserverProcess server({"--set", "bank=30", "--unreadable-atom", "79"});
  DesktopWindowLink link;
  LinkClient client(link);
  Request request;
  EXPECT_EQ(request.Send(client, 79), 0);
  EXPECT_EQ(AsDouble(request.value), 0.0);
  EXPECT_EQ(request.replyHeader, 0);
  EXPECT_EQ(request.replyText, "");
  Request other;
  EXPECT_EQ(other.Send(client, 77), 0);  // other codes unharmed
  EXPECT_EQ(other.replyHeader, 2);
  ExpectCleanEnd(server);
}

TEST(LinkWithSimserver, HungServerLetsTheRequestReturnAfterTheTimeOut) {
  SimserverProcess server({"--hang"});
  DesktopWindowLink link(50ms);
  LinkClient client(link);
  for (int attempt = 0; attempt < 3; ++attempt) {
    Request request;
    EXPECT_EQ(request.Send(client, 77), 1);
    EXPECT_TRUE(request.Untouched());
    EXPECT_LE(link.OpenConnections(), 1u);
  }
  ExpectCleanEnd(server);
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
  ExpectCleanEnd(server);
}

}  // namespace
}  // namespace veltrano
