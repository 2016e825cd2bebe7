// The data-server emulator as a separate process, read through the link client, with its flight
// set, replayed, flown or taken from a fake simulator over UDP, and run in a game loop. It owns the
// machine's one FSCONNECT8, so these tests run alone.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <charconv>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

#include "child_process/child_process.h"
#include "desktop_link.h"
#include "fake_xplane.h"
#include "link/link_protocol.h"
#include "link/variable_readers.h"
#include "platform/error.h"
#include "replay_track.h"
#include "simserver_process.h"
#include "tests/link/link_fakes.h"
#include "udp_socket.h"

#ifndef _WIN32
#include <poll.h>
#include <sys/socket.h>

#include <array>

#include "platform/posix/posix_desktop_window_protocol.h"
#include "platform/posix/posix_socket_io.h"
#endif

namespace veltrano {
namespace {

using testing::ChildProcess;
using Cases = std::pair<std::vector<std::string>, std::string>[];
constexpr std::int32_t kPitch = 77, kBank = 79, kSlip = 70, kRpm = 135, kSpeed = 61;
constexpr std::int32_t kCodes[] = {kPitch, kBank, kSlip, kRpm, kSpeed};

// One request in short: "status N", "error" when it raises, or the value in its shortest exact
// form, followed by "/N" when the reply text has N digits instead of the usual 16. `header` gets
// the reply's header, the number of the emulator's message.
std::string Outcome(LinkClient& client, std::int32_t code, std::int32_t* header = nullptr) {
  LinkValue value;
  std::string text;
  std::int32_t unused = 0;
  if (header == nullptr) header = &unused;
  try {
    if (const std::int16_t status = client.LinkRequest(code, "n", value, text, *header)) {
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
  testing::DesktopLink link;
  LinkClient client(link, std::chrono::seconds(5));  // a wait that a busy machine does not run out
  std::string outcomes;
  for (const std::int32_t code : codes) outcomes += ", " + Outcome(client, code);
  client.EndExchanges();  // as STOP does: the last deletions go out
  server.ExpectCleanEnd();
  return outcomes.substr(2);
}

TEST(Simserver, ValuesComeBackAsSetOrReplayedBetweenTheRecordedRowsOrFlown) {
  // A name of this run's own: suites of other builds may run at the same time.
  const std::string track =
      ::testing::TempDir() + "simserver-" +
      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".csv";
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
  std::filesystem::remove(track);
}

// Line 1 is a header only when it names the columns; anything else there is a row like any other.
TEST(ReplayTrack, TakesOnlyTheColumnNamesAsHeaderAndSaysWhatIsWrongWithTheRest) {
  const auto outcome = [](const std::string& text) -> std::string {
    std::istringstream stream(text);
    try {
      return "pitch " + std::to_string(simserver::ReplayTrack::Parse(stream, "t").At(1).pitch);
    } catch (const Error& error) {
      return error.what();
    }
  };
  using Texts = std::pair<std::string, std::string>[];
  for (const auto& [text, expected] : Texts{
           {" Time_S, PITCH ,bank,slip,rpm,speed\n1,2,3,4,5,6\n", "pitch 2.000000"},
           {"1,2,3,4,5,6\n2,3,4,5,6,7\n", "pitch 2.000000"},
           {"1,2,3,4,5,x\n2,3,4,5,6,7\n", "t line 1: expected numbers"},
           {"time,pitch,bank,slip,rpm,speed\n1,2,3,4,5,6\n", "t line 1: expected numbers"},
           {"time_s;pitch;bank;slip;rpm;speed\n1;2;3;4;5;6\n", "t line 1: fields separated by"},
           {"time_s,pitch,bank,slip,rpm,speed\n", "t: no rows"},
       }) {
    EXPECT_TRUE(outcome(text).starts_with(expected)) << text << " gave " << outcome(text);
  }
  EXPECT_THAT([] { simserver::ReplayTrack::Load(::testing::TempDir()); },
              ::testing::ThrowsMessage<Error>(::testing::HasSubstr("is a directory")));
}

TEST(Simserver, BadOptionsExitWithStatusTwoAndHelpWithZero) {
  EXPECT_EQ(ChildProcess(SIMSERVER_PATH, {"--bogus"}).Wait(), 2);
  EXPECT_EQ(ChildProcess(SIMSERVER_PATH, {"--set", "pitch=x"}).Wait(), 2);
  EXPECT_EQ(ChildProcess(SIMSERVER_PATH, {"--odd-text", "77", "--short-text", "77"}).Wait(), 2);
  EXPECT_EQ(ChildProcess(SIMSERVER_PATH, {"--replay", "/nonexistent/track.csv"}).Wait(), 2);
  EXPECT_EQ(ChildProcess(SIMSERVER_PATH, {"--xplane", "--set", "rpm=1"}).Wait(), 2);
  EXPECT_EQ(ChildProcess(SIMSERVER_PATH, {"--flightgear", "--slip-scale", "0"}).Wait(), 2);
  EXPECT_EQ(ChildProcess(SIMSERVER_PATH, {"--frame-ms", "0"}).Wait(), 2);
  EXPECT_EQ(ChildProcess(SIMSERVER_PATH, {"--stall", "3"}).Wait(), 2);
  EXPECT_EQ(ChildProcess(SIMSERVER_PATH, {"--help"}).Wait(), 0);
}

// --- Live sources: a fake simulator on a free loopback port, simserver, the link client. ---

// The five values in short, each also kept in `log`.
std::string Served(LinkClient& client, std::vector<std::string>& log) {
  std::string values;
  for (const std::int32_t code : kCodes) values += ", " + log.emplace_back(Outcome(client, code));
  return values.substr(2);
}

// Polls `condition` until it holds, for at most ten seconds.
bool Eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

std::ptrdiff_t Count(const std::string& text, const std::string& part) {
  const std::regex pattern(part);
  return std::distance(std::sregex_iterator(text.begin(), text.end(), pattern), {});
}

TEST(SimserverLive, FlightGearLinesAreServedConvertedAndBadOnesCountedAndDropped) {
  testing::SimserverProcess server({"--flightgear", "127.0.0.1:0", "--verbose"});
  const std::string origin = server.ReadLine();  // "... listening for FlightGear on A:PORT"
  const simserver::UdpEndpoint to{
      0x7F000001, static_cast<std::uint16_t>(std::stoi(origin.substr(origin.rfind(':') + 1)))};
  simserver::UdpSocket flightgear(simserver::UdpEndpoint{});
  for (const char* bad :
       {"1,2,3,4\n", "1,2,x,4,5\n", "inf,0,0,0,0\n", "", "1,2,3,4,5,6\n", "7,7,7,7,7,7\n"}) {
    flightgear.SendTo(to, bad);
  }
  testing::DesktopLink link;
  LinkClient client(link);
  std::vector<std::string> served;
  EXPECT_TRUE(Eventually([&] {
    flightgear.SendTo(to, "5,-20.5,1,2500.0,90.25\n");  // slip 1 is half the ball: 4500
    return Served(client, served) == "5, 339.5, 4500, 2500, 90.25";
  }));
  client.EndExchanges();
  const std::string said = server.ExpectCleanEnd();
  EXPECT_EQ(Count(said, "dropped a malformed datagram"), 5);  // the first five are shown
  EXPECT_EQ(Count(said, ", 6 malformed and dropped"), 1) << said;
}

// The whole rows of a recording, without its header.
std::vector<std::string> RecordedRows(const std::string& path) {
  std::ifstream file(path);
  const std::string text{std::istreambuf_iterator<char>(file), {}};
  std::vector<std::string> rows;
  for (std::size_t at = text.find('\n') + 1, end; (end = text.find('\n', at)) != text.npos;
       at = end + 1) {
    rows.push_back(text.substr(at, end - at));
  }
  return rows;
}

TEST(SimserverLive, RecordsTheSimulatorsFlightWithNoClientAskingInAFileThatReplays) {
  const std::string name = ::testing::TempDir() + "record-" + std::to_string(getpid());
  const std::string track = name + ".csv", held = name + "-held.csv";
  const std::string flown = ",2,15,-900,2000,80";
  testing::FakeXPlane xplane;
  xplane.Fly({2, 15, -1, 2000, 80});
  std::string said;
  {
    testing::SimserverProcess server(
        {"--xplane", "127.0.0.1:" + std::to_string(xplane.Port()), "--record", track});
    // Once eased to the flight, two rows in a row hold it.
    EXPECT_TRUE(Eventually([&] {
      const auto rows = RecordedRows(track);
      return rows.size() >= 2 && rows.back().ends_with(flown) && rows.end()[-2].ends_with(flown);
    }));
    said = server.ExpectCleanEnd();
  }
  const auto rows = RecordedRows(track);
  ASSERT_GE(rows.size(), 2u);
  EXPECT_THAT(said, ::testing::HasSubstr("simserver: " + std::to_string(rows.size()) +
                                         " rows recorded in " + track));
  // Never more than 20 rows a second: row i comes at least i intervals after the first.
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_GE(std::stod(rows[i]), 0.05 * i - 1e-6);
  // It replays. Replayed held at the flown moment (the last row's time starts the replay over)
  // and recorded again meanwhile, a held flight gives rows of that moment alone.
  const std::string moment = rows.end()[-2].substr(0, rows.end()[-2].find(','));
  EXPECT_EQ(Outcomes({"--replay", track, "--at", moment, "--record", held},
                     {kPitch, kBank, kSlip, kRpm, kSpeed}),
            "2, 15, -900, 2000, 80");
  const auto heldRows = RecordedRows(held);
  EXPECT_FALSE(heldRows.empty());
  for (const std::string& row : heldRows) EXPECT_TRUE(row.ends_with(flown)) << row;
  unlink(track.c_str());
  unlink(held.c_str());
}

TEST(SimserverLive, XPlaneIsSubscribedAgainAfterARestartAndTheValuesEaseToParkedMeanwhile) {
#ifdef _WIN32
  GTEST_SKIP() << "under Wine a UDP port just closed cannot be bound again at once, so the fake "
                  "X-Plane cannot come back on its port; the restart is tested on Linux";
#endif
  testing::FakeXPlane xplane;
  xplane.Fly({2, 15, -1, 2000, 80});
  testing::SimserverProcess server({"--xplane", "127.0.0.1:" + std::to_string(xplane.Port())});
  testing::DesktopLink link;
  LinkClient client(link);
  std::vector<std::string> served;
  EXPECT_TRUE(Eventually([&] { return Served(client, served) == "2, 15, -900, 2000, 80"; }));
  xplane.Quit();
  EXPECT_TRUE(Eventually([&] { return Served(client, served) == "0, 0, 0, 0, 0"; }));  // parked
  xplane.Fly({-3, -10, 0.5, 2200, 95});
  xplane.Launch();  // with no subscriber: values come only when simserver asks again
  EXPECT_TRUE(Eventually([&] { return Served(client, served) == "-3, 350, 450, 2200, 95"; }));
  client.EndExchanges();
  const std::string said = server.ExpectCleanEnd();
  EXPECT_EQ(Count(said, "X-Plane: receiving values"), 2) << said;  // at the start and once back
  EXPECT_EQ(Count(said, "X-Plane: no values for 2.0 s"), 1) << said;
  EXPECT_TRUE(Eventually([&] { return xplane.Unsubscriptions() == 5; }));
}

// --- The game loop and the 32-bit window procedure, seen by clients and in --verbose lines. ---

// The server's answer to one message, its result bits whole.
std::int64_t AnswerTo(testing::DesktopLink& link, std::int64_t lParam) {
  const WindowMessage message[] = {{link.RegisterWindowMessageA("WM_FSCONNECT"), 1, lParam}};
  const auto tickets = link.SendMessagesAhead(link.FindWindowA("FSCONNECT8"), message);
  if (!tickets) return 0;
  return link
      .TakeAnswer(tickets->front(), std::chrono::steady_clock::now() + std::chrono::seconds(5))
      .result;
}

// One answer read whole, its atom's name read and the atom left undeleted as the client goes.
std::string LeftAtom(testing::SimserverProcess& server) {
  std::ostringstream seen;
  {
    testing::DesktopLink link;
    const std::int64_t answer = AnswerTo(link, kPitch);
    const auto atom = static_cast<Atom>(answer & 0xFFFF);
    char name[255] = {};
    link.GlobalGetAtomNameA(atom, name, sizeof name);
    seen << std::hex << std::setfill('0') << "0x" << std::setw(16) << (answer & ~0xFFFF) << " "
         << (atom >= 0xC000 ? "and an atom named " : "and no atom ") << name;
#ifdef _WIN32
    // The desktop's own atom: nobody deletes it for a client that goes.
    link.GlobalDeleteAtom(atom);
#endif
  }
  // A second client is answered only after the emulator has seen the first go.
  testing::DesktopLink later;
  seen << ", then " << AnswerTo(later, 1);
  server.ExpectCleanEnd();  // with no atom left
  return seen.str();
}

#ifndef _WIN32
// During a stall a message waits on one connection while another reads and deletes atoms: that
// is the desktop's work, not the window's.
std::string AtomsDuringAStall(testing::SimserverProcess& server) {
  namespace dw = desktop_window;
  const auto connected = [] {
    UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const dw::WindowAddress address = dw::AddressOf("FSCONNECT8");
    EXPECT_EQ(
        connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address.address), address.length),
        0);
    return socket;
  };
  const auto deadline = [] { return std::chrono::steady_clock::now() + std::chrono::seconds(10); };
  // Each connection opens with the version handshake, answered at once as desktop work too.
  std::array<std::uint8_t, dw::kHelloSize> windowHello{}, desktopHello{};
  const UniqueFd window = connected();
  EXPECT_TRUE(
      SendAll(window.Get(), dw::EncodeHello()) &&
      SendAll(window.Get(), dw::EncodeSendMessage({dw::MessageIdFor("WM_FSCONNECT"), 1, kPitch})) &&
      ReceiveAll(window.Get(), windowHello, deadline()));
  const UniqueFd desktop = connected();
  std::array<std::uint8_t, 2> nameLength{};
  const bool answered = SendAll(desktop.Get(), dw::EncodeHello()) &&
                        ReceiveAll(desktop.Get(), desktopHello, deadline()) &&
                        SendAll(desktop.Get(), dw::EncodeAtomRequest(dw::kGetAtomName, 0xC000)) &&
                        ReceiveAll(desktop.Get(), nameLength, deadline());
  pollfd waiting{window.Get(), POLLIN, 0};
  std::ostringstream seen;
  seen << "atoms " << (answered ? "answered" : "not answered") << ": name length "
       << dw::DecodeAtomAnswer(nameLength) << ", version " << *dw::DecodeHello(windowHello)
       << "; the message " << (poll(&waiting, 1, 0) == 0 ? "waits" : "is answered");
  server.ExpectCleanEnd();  // stopped in the middle of the stall
  return seen.str();
}
#endif

// The five readings of one tick, in the tick's order, as the readers leave them.
std::string Tick(VariableReaders& readers) {
  double pitch = -1, speed = -1, bank = -1, slip = -1, rpm = -1;
  readers.BeginTick();
  readers.ReadPitch(pitch);
  readers.ReadSpeed(speed);
  readers.ReadRoll(bank);
  readers.ReadSlip(slip);
  readers.ReadRpm(rpm);
  std::ostringstream readings;
  readings << pitch << ", " << speed << ", " << bank << ", " << slip << ", " << rpm;
  return readings.str();
}

// Reads the emulator's lines until one starts with `start`; gives all of them.
std::string LinesUntil(testing::SimserverProcess& server, const std::string& start) {
  std::string lines;
  for (std::string line; !line.starts_with(start);) lines += (line = server.ReadLine()) + "\n";
  return lines;
}

// The ticks' link against a server in a game loop: the five requests of a tick wait at the server
// together and are answered at one frame's end; answers that come after the tick stopped waiting
// are the next tick's readings, and nothing owed is asked again meanwhile. A server that has
// started again is found at the next tick; one that goes while it owes answers is no server.
TEST(TicksInAGameLoop, AnswersComeTogetherLateOnesAreTheNextTicksAndAServerGoneIsNone) {
  testing::DesktopLink link;
  LinkClient client(link);
  testing::FakeMsgBox boxes;
  VariableReaders readers(client, boxes);
  // Ticks that wait for their answers as long as a busy machine may need.
  VariableReaders patient(client, boxes, std::chrono::seconds(10));
  const std::string flight = "pitch=10,bank=30,slip=-5,rpm=2700,speed=100";
  const std::string served = "10, 100, 30, -5, 2700";
  {
    testing::SimserverProcess server({"--stall", "3@0", "--verbose", "--set", flight});
    EXPECT_THAT(server.ReadLine(), ::testing::HasSubstr("a stall"));
    EXPECT_EQ(Tick(readers), "0, 0, 0, 0, 0") << "all five late";
    EXPECT_EQ(Tick(readers), "0, 0, 0, 0, 0") << "and still owed";
    const std::string lines = LinesUntil(server, "message 5 ");
    EXPECT_EQ(Tick(readers), served) << "the late answers";
    EXPECT_EQ(Tick(patient), served) << "then whatever comes in time";
    readers.EndRun();
    const std::string said = lines + server.ExpectCleanEnd();
    // The stall's end answered the first tick's five, in its order, and nothing sent again.
    EXPECT_EQ(Count(said, R"(\(flight [0-9.]+ s, frame 1\))"), 5) << said;
    EXPECT_EQ(Count(lines, "code 77 .*\n.*code 61 .*\n.*code 79 .*\n.*code 70 .*\n.*code 135"), 1)
        << lines;
  }
  {
    testing::SimserverProcess server({"--stall", "3600@0", "--set", flight});
    EXPECT_EQ(Tick(readers), served) << "the new server asked at once, the readings held";
  }  // and gone, killed while it owes the answers
  EXPECT_EQ(Tick(readers), "0, 0, 0, 0, 0") << "no server";
  EXPECT_TRUE(boxes.shown.empty());
}

TEST(SimserverGameLoop, AtomsAreTheDesktopsWorkDuringAStallAndResultsMayBe32Bit) {
  struct Case {
    std::vector<std::string> args;
    std::function<std::string(testing::SimserverProcess&)> clients;
    std::string expected;
  };
  for (const auto& [args, clients, expected] : {
           // 49152 and up as the lower 32 bits of the answer, zero-extended, and still deleted.
           Case{{"--32-bit-results", "--set", "pitch=7"},
                LeftAtom,
                "0x00000000ffff0000 and an atom named 010000000000000000001C40, then 0"},
#ifndef _WIN32
           Case{{"--stall", "3600@0"},
                AtomsDuringAStall,
                "atoms answered: name length 0, version 2; the message waits"},
#endif
       }) {
    testing::SimserverProcess server(args);
    EXPECT_EQ(clients(server), expected) << args[0] << " " << args[1];
  }
}

}  // namespace
}  // namespace veltrano
