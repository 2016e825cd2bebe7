#include <dirent.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/error.h"
#include "platform/posix/atom_table.h"
#include "platform/posix/desktop_window_link.h"
#include "platform/posix/desktop_window_protocol.h"
#include "platform/posix/desktop_window_server.h"
#include "platform/posix/socket_io.h"

namespace veltrano {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// A class name of this test alone, so that test programs running side by side never meet.
std::string UniqueClass(const std::string& suffix = "") {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string("test-") + std::to_string(getpid()) + "-" + info->name() + suffix;
}

// The abstract address written out from the wire format, independently of the code under test.
struct RawAddress {
  sockaddr_un address{};
  socklen_t length = 0;
};

RawAddress RawAddressOf(const std::string& className) {
  RawAddress raw;
  raw.address.sun_family = AF_UNIX;
  const std::string name = "desktop-window/" + className;
  std::memcpy(raw.address.sun_path + 1, name.data(), name.size());
  raw.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  return raw;
}

UniqueFd RawConnect(const std::string& className, socklen_t extraLength = 0) {
  UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const RawAddress raw = RawAddressOf(className);
  if (connect(socket.Get(), reinterpret_cast<const sockaddr*>(&raw.address),
              raw.length + extraLength) != 0) {
    return UniqueFd();
  }
  return socket;
}

UniqueFd RawListen(const std::string& className) {
  UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const RawAddress raw = RawAddressOf(className);
  EXPECT_EQ(bind(socket.Get(), reinterpret_cast<const sockaddr*>(&raw.address), raw.length), 0);
  EXPECT_EQ(listen(socket.Get(), 8), 0);
  return socket;
}

UniqueFd RawAccept(const UniqueFd& listener) {
  return UniqueFd(accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
}

void Write(const UniqueFd& socket, const Bytes& bytes) {
  ASSERT_TRUE(SendAll(socket.Get(), bytes));
}

// Exactly `count` bytes, or fewer when the peer closes first; the limit only stops a broken test.
Bytes Read(const UniqueFd& socket, std::size_t count) {
  Bytes bytes;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
    pollfd wanted{socket.Get(), POLLIN, 0};
    if (poll(&wanted, 1, 100) <= 0) continue;
    std::uint8_t chunk[256];
    const ssize_t got = recv(socket.Get(), chunk, std::min(sizeof chunk, count - bytes.size()), 0);
    if (got <= 0) break;
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  return bytes;
}

// True when the peer has closed the connection, after any bytes still in flight.
bool ClosedByPeer(const UniqueFd& socket) {
  Read(socket, 4096);
  pollfd wanted{socket.Get(), POLLIN, 0};
  if (poll(&wanted, 1, 10000) <= 0) return false;
  std::uint8_t byte = 0;
  return recv(socket.Get(), &byte, 1, 0) == 0;
}

std::size_t OpenDescriptors() {
  std::size_t count = 0;
  DIR* fds = opendir("/proc/self/fd");
  while (readdir(fds) != nullptr) ++count;
  closedir(fds);
  return count;
}

// A server running its loop on a thread of the test; the procedure gets the server for atoms.
class ServedWindow {
 public:
  using Procedure = std::function<std::optional<std::int64_t>(DesktopWindowServer&, std::uint32_t,
                                                              std::uint64_t, std::int64_t)>;

  ServedWindow(const std::string& className, Procedure procedure)
      : procedure_(std::move(procedure)),
        server_(className,
                [this](std::uint32_t message, std::uint64_t wParam, std::int64_t lParam) {
                  return procedure_(server_, message, wParam, lParam);
                }),
        thread_([this] { server_.Run(); }) {}
  ~ServedWindow() {
    server_.Stop();
    thread_.join();
  }

  DesktopWindowServer& Server() { return server_; }

 private:
  Procedure procedure_;
  DesktopWindowServer server_;
  std::thread thread_;
};

// The server's answer to a message: the lParam, unchanged.
std::optional<std::int64_t> Echo(DesktopWindowServer&, std::uint32_t, std::uint64_t,
                                 std::int64_t lParam) {
  return lParam;
}

// ---- The message id ----

TEST(DesktopWindowProtocol, MessageIdIsTheUpperCaseFnv1aHashInTheRegisteredRange) {
  // Values of 32-bit FNV-1a over the upper-case bytes, worked out apart from this code.
  const struct {
    const char* name;
    std::uint32_t id;
  } cases[] = {
      {"WM_FSCONNECT", 0xC000u | (0xD34B53B9u & 0x3FFFu)},
      {"wm_FSconnect", 0xC000u | (0xD34B53B9u & 0x3FFFu)},
      {"a", 0xC000u | (0xC40BF6CCu & 0x3FFFu)},
      {"", 0xC000u | (0x811C9DC5u & 0x3FFFu)},
  };
  DesktopWindowLink link;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(desktop_window::MessageIdFor(c.name), c.id);
    EXPECT_EQ(link.RegisterWindowMessageA(c.name), c.id);
  }
  EXPECT_EQ(desktop_window::MessageIdFor("WM_FSCONNECT"), 0xD3B9u);
}

// ---- The server, spoken to byte by byte ----

TEST(DesktopWindowServer, AnswersRawMessageBytesAndSendsTheResultLittleEndian) {
  std::uint32_t seenMessage = 0;
  std::uint64_t seenWParam = 0;
  std::int64_t seenLParam = 0;
  ServedWindow window(UniqueClass(), [&](DesktopWindowServer&, std::uint32_t message,
                                         std::uint64_t wParam, std::int64_t lParam) {
    seenMessage = message;
    seenWParam = wParam;
    seenLParam = lParam;
    return std::optional<std::int64_t>(-0x0123456789ABCDEF);
  });
  const UniqueFd raw = RawConnect(UniqueClass());
  ASSERT_TRUE(raw.Valid());
  Write(raw, {'M',  0x78, 0x56, 0x34, 0x12,                      // message 0x12345678
              0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x81,    // wParam 0x8102030405060708
              0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});  // lParam -2
  // -0x0123456789ABCDEF is 0xFEDCBA9876543211 in two's complement.
  EXPECT_EQ(Read(raw, 8), (Bytes{0x11, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE}));
  EXPECT_EQ(seenMessage, 0x12345678u);
  EXPECT_EQ(seenWParam, 0x8102030405060708u);
  EXPECT_EQ(seenLParam, -2);
}

TEST(DesktopWindowServer, ListensUnderTheExactAbstractNameWithoutATerminator) {
  ServedWindow window(UniqueClass(), Echo);
  EXPECT_TRUE(RawConnect(UniqueClass()).Valid());
  EXPECT_FALSE(RawConnect(UniqueClass(), 1).Valid());  // the same name with a trailing NUL
}

TEST(DesktopWindowServer, RawAtomRequestsReadAndDeleteByReference) {
  ServedWindow window(UniqueClass(), Echo);
  DesktopWindowServer& server = window.Server();
  ASSERT_EQ(server.AddAtom("Hello"), 0xC000);
  ASSERT_EQ(server.AddAtom("HELLO"), 0xC000);  // a second reference to the same atom
  const UniqueFd raw = RawConnect(UniqueClass());
  ASSERT_TRUE(raw.Valid());

  Write(raw, {'N', 0x00, 0xC0});
  EXPECT_EQ(Read(raw, 7), (Bytes{5, 0, 'H', 'e', 'l', 'l', 'o'}));
  Write(raw, {'D', 0x00, 0xC0});
  EXPECT_EQ(Read(raw, 2), (Bytes{0, 0}));
  Write(raw, {'N', 0x00, 0xC0});
  EXPECT_EQ(Read(raw, 7), (Bytes{5, 0, 'H', 'e', 'l', 'l', 'o'}));  // one reference left
  Write(raw, {'D', 0x00, 0xC0});
  EXPECT_EQ(Read(raw, 2), (Bytes{0, 0}));
  Write(raw, {'D', 0x00, 0xC0});
  EXPECT_EQ(Read(raw, 2), (Bytes{0x00, 0xC0}));  // gone: the atom itself comes back
  Write(raw, {'N', 0x00, 0xC0});
  EXPECT_EQ(Read(raw, 2), (Bytes{0, 0}));
  EXPECT_EQ(server.LiveAtoms(), 0u);
}

TEST(DesktopWindowServer, AnswersRequestsSplitAcrossWritesAndSentTogetherInOrder) {
  ServedWindow window(UniqueClass(), Echo);
  ASSERT_EQ(window.Server().AddAtom("ab"), 0xC000);
  const UniqueFd raw = RawConnect(UniqueClass());
  ASSERT_TRUE(raw.Valid());
  const Bytes message = {'M', 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 42, 0, 0, 0, 0, 0, 0, 0};
  for (const std::uint8_t byte : message) Write(raw, {byte});
  EXPECT_EQ(Read(raw, 8), (Bytes{42, 0, 0, 0, 0, 0, 0, 0}));

  Bytes together = message;
  together.insert(together.end(), {'N', 0x00, 0xC0, 'D', 0x00, 0xC0, 'D', 0x00, 0xC0});
  Write(raw, together);
  EXPECT_EQ(Read(raw, 8 + 4 + 2 + 2),
            (Bytes{42, 0, 0, 0, 0, 0, 0, 0, 2, 0, 'a', 'b', 0, 0, 0x00, 0xC0}));
}

TEST(DesktopWindowServer, UnknownFirstByteClosesThatConnectionOnly) {
  ServedWindow window(UniqueClass(), Echo);
  const UniqueFd other = RawConnect(UniqueClass());
  const UniqueFd bad = RawConnect(UniqueClass());
  ASSERT_TRUE(bad.Valid() && other.Valid());
  Write(bad, {'X', 0, 0});
  EXPECT_TRUE(ClosedByPeer(bad));
  Write(other, {'D', 0x05, 0xC0});
  EXPECT_EQ(Read(other, 2), (Bytes{0x05, 0xC0}));
}

TEST(DesktopWindowServer, SecondServerForTheSameClassIsRefused) {
  ServedWindow window(UniqueClass(), Echo);
  try {
    DesktopWindowServer second(UniqueClass(), [](std::uint32_t, std::uint64_t, std::int64_t) {
      return std::optional<std::int64_t>(0);
    });
    FAIL() << "a second server took the class";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find("already owns"), std::string::npos) << error.what();
  }
}

TEST(DesktopWindowServer, StopBeforeRunMakesRunReturnAtOnce) {
  DesktopWindowServer server(UniqueClass(), [](std::uint32_t, std::uint64_t, std::int64_t) {
    return std::optional<std::int64_t>(0);
  });
  server.Stop();
  server.Run();
  server.Run();  // stopping is for good
  SUCCEED();
}

// ---- The atom table ----

TEST(AtomTable, CountsReferencesAndComparesNamesWithoutCase) {
  AtomTable table;
  const Atom first = table.Add("Pitch");
  EXPECT_EQ(first, 0xC000);
  EXPECT_EQ(table.Add("pITCH"), first);
  EXPECT_EQ(table.Add("Roll"), 0xC001);
  EXPECT_EQ(table.Name(first), "Pitch");  // the spelling of the first addition
  EXPECT_EQ(table.Delete(first), 0);
  EXPECT_EQ(table.Name(first), "Pitch");
  EXPECT_EQ(table.Delete(first), 0);
  EXPECT_FALSE(table.Name(first).has_value());
  EXPECT_EQ(table.Delete(first), first);
  EXPECT_EQ(table.Delete(0x1234), 0x1234);
  EXPECT_EQ(table.Add("Slip"), first);  // the freed number is handed out again
  EXPECT_EQ(table.Add("pitch"), 0xC002);
  EXPECT_EQ(table.Name(0xC002), "pitch");
  EXPECT_EQ(table.Size(), 3u);
}

TEST(AtomTable, RefusesBadNamesAndFillsUpAt16384Atoms) {
  AtomTable table;
  EXPECT_THROW(table.Add(""), Error);
  EXPECT_THROW(table.Add(std::string(255, 'x')), Error);
  EXPECT_EQ(table.Add(std::string(254, 'x')), 0xC000);
  for (int i = 1; i < 0x4000; ++i) table.Add("n" + std::to_string(i));
  EXPECT_EQ(table.Size(), 0x4000u);
  EXPECT_EQ(table.Unused(), 0);
  EXPECT_THROW(table.Add("one too many"), Error);
  EXPECT_EQ(table.Delete(0xD000), 0);
  EXPECT_EQ(table.Unused(), 0xD000);
  EXPECT_FALSE(table.Contains(table.Unused()));
}

// ---- The client transport ----

TEST(DesktopWindowLink, SendsExactBytesToARawServerAndReadsItsAnswers) {
  const UniqueFd listener = RawListen(UniqueClass());
  DesktopWindowLink link;
  const WindowHandle window = link.FindWindowA(UniqueClass());
  ASSERT_NE(window, 0u);
  const UniqueFd peer = RawAccept(listener);
  ASSERT_TRUE(peer.Valid());

  // Each answer is written ahead, so the transport finds it as soon as it has asked.
  Write(peer, {0x01, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});  // -16383
  EXPECT_EQ(link.SendMessageA(window, 0xD3B9, 1, -77), -16383);
  EXPECT_EQ(Read(peer, 21), (Bytes{'M', 0xB9, 0xD3, 0,    0,    1,    0,    0,    0,    0,   0,
                                   0,   0,    0xB3, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));

  Write(peer, {4, 0, 'A', 'B', 'C', 'D'});
  char buffer[255];
  std::memset(buffer, ' ', sizeof buffer);
  EXPECT_EQ(link.GlobalGetAtomNameA(0xC001, buffer, 255), 4);
  EXPECT_STREQ(buffer, "ABCD");
  EXPECT_EQ(Read(peer, 3), (Bytes{'N', 0x01, 0xC0}));

  Write(peer, {4, 0, 'A', 'B', 'C', 'D'});
  EXPECT_EQ(link.GlobalGetAtomNameA(0xC001, buffer, 3), 2);  // cut to fit with its terminator
  EXPECT_STREQ(buffer, "AB");
  EXPECT_EQ(Read(peer, 3), (Bytes{'N', 0x01, 0xC0}));

  Write(peer, {0, 0});
  EXPECT_EQ(link.GlobalDeleteAtom(0xC001), 0);
  EXPECT_EQ(Read(peer, 3), (Bytes{'D', 0x01, 0xC0}));

  Write(peer, {0x01, 0xC0});
  EXPECT_EQ(link.GlobalDeleteAtom(0xC001), 0xC001);
  EXPECT_EQ(Read(peer, 3), (Bytes{'D', 0x01, 0xC0}));
}

TEST(DesktopWindowLink, GivesNothingForAbsentWindowsAndUnknownAtoms) {
  DesktopWindowLink link;
  EXPECT_EQ(link.FindWindowA(UniqueClass()), 0u);
  EXPECT_EQ(link.FindWindowA(std::string(200, 'c')), 0u);
  EXPECT_EQ(link.SendMessageA(0, 1, 1, 1), 0);
  EXPECT_EQ(link.SendMessageA(12345, 1, 1, 1), 0);
  char buffer[255] = "untouched";
  EXPECT_EQ(link.GlobalGetAtomNameA(0xC000, buffer, 255), 0);
  EXPECT_EQ(link.GlobalDeleteAtom(0xC000), 0xC000);
}

TEST(DesktopWindowLink, NameLongerThanTheFormatAllowsBreaksTheConnection) {
  const UniqueFd listener = RawListen(UniqueClass());
  DesktopWindowLink link;
  const WindowHandle window = link.FindWindowA(UniqueClass());
  const UniqueFd peer = RawAccept(listener);
  Write(peer, {0x00, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  ASSERT_EQ(link.SendMessageA(window, 1, 1, 1), -16384);
  Write(peer, {255, 0});
  char buffer[255];
  EXPECT_EQ(link.GlobalGetAtomNameA(0xC000, buffer, 255), 0);
  EXPECT_EQ(link.OpenConnections(), 0u);
  EXPECT_TRUE(ClosedByPeer(peer));
}

TEST(DesktopWindowLink, AtomRequestsGoToTheWindowThatLastAnsweredWithTheAtom) {
  // Both servers hand out 0xC000 from their own tables.
  const auto reply = [](DesktopWindowServer& server, std::uint32_t, std::uint64_t,
                        std::int64_t) -> std::optional<std::int64_t> {
    return static_cast<std::int16_t>(server.AddAtom(server.ClassName()));
  };
  ServedWindow first(UniqueClass("-1"), reply);
  ServedWindow second(UniqueClass("-2"), reply);
  DesktopWindowLink link;
  const WindowHandle one = link.FindWindowA(UniqueClass("-1"));
  const WindowHandle two = link.FindWindowA(UniqueClass("-2"));
  char buffer[255];

  ASSERT_EQ(link.SendMessageA(one, 1, 1, 0), -16384);
  ASSERT_EQ(link.SendMessageA(two, 1, 1, 0), -16384);
  EXPECT_EQ(link.GlobalGetAtomNameA(0xC000, buffer, 255),
            static_cast<int>(UniqueClass("-2").size()));
  EXPECT_EQ(buffer, UniqueClass("-2"));
  EXPECT_EQ(link.GlobalDeleteAtom(0xC000), 0);
  EXPECT_EQ(second.Server().LiveAtoms(), 0u);
  EXPECT_EQ(first.Server().LiveAtoms(), 1u);

  ASSERT_EQ(link.SendMessageA(one, 1, 1, 0), -16384);
  EXPECT_EQ(link.GlobalGetAtomNameA(0xC000, buffer, 255),
            static_cast<int>(UniqueClass("-1").size()));
  EXPECT_EQ(buffer, UniqueClass("-1"));
  EXPECT_EQ(link.GlobalDeleteAtom(0xC000), 0);
  EXPECT_EQ(link.GlobalDeleteAtom(0xC000), 0);  // the older reference
  EXPECT_EQ(link.GlobalDeleteAtom(0xC000), 0xC000);
  EXPECT_EQ(first.Server().LiveAtoms(), 0u);
}

TEST(DesktopWindowLink, TimeOutGivesZeroAndTheHandleStaysDead) {
  ServedWindow window(UniqueClass(),
                      [](DesktopWindowServer&, std::uint32_t, std::uint64_t,
                         std::int64_t lParam) -> std::optional<std::int64_t> {
                        if (lParam == 99)
                          return std::nullopt;  // this window procedure never returns
                        return lParam;
                      });
  DesktopWindowLink link(20ms);
  const WindowHandle hung = link.FindWindowA(UniqueClass());
  ASSERT_NE(hung, 0u);
  ASSERT_EQ(link.SendMessageA(hung, 1, 1, 5), 5);
  EXPECT_EQ(link.SendMessageA(hung, 1, 1, 99), 0);
  EXPECT_EQ(link.OpenConnections(), 0u);
  EXPECT_EQ(link.SendMessageA(hung, 1, 1, 5), 0);  // the server is still there, the handle is not

  const WindowHandle fresh = link.FindWindowA(UniqueClass());
  EXPECT_NE(fresh, 0u);
  EXPECT_NE(fresh, hung);
  EXPECT_EQ(link.SendMessageA(fresh, 1, 1, 6), 6);
}

TEST(DesktopWindowLink, LateAnswerIsNeverTakenForTheNextOne) {
  const UniqueFd listener = RawListen(UniqueClass());
  DesktopWindowLink link(20ms);
  const WindowHandle window = link.FindWindowA(UniqueClass());
  const UniqueFd peer = RawAccept(listener);
  EXPECT_EQ(link.SendMessageA(window, 1, 1, 1), 0);
  ASSERT_EQ(Read(peer, 21).size(), 21u);
  const Bytes late = {7, 0, 0, 0, 0, 0, 0, 0};
  SendAll(peer.Get(), late);  // fails once the transport has hung up, as it should have by now
  EXPECT_EQ(link.SendMessageA(window, 1, 1, 1), 0);
  EXPECT_TRUE(ClosedByPeer(peer));
}

TEST(DesktopWindowLink, ServerThatGoesGivesZeroAndOneThatComesBackIsFoundWithoutLeaks) {
  DesktopWindowLink link;
  const std::size_t descriptorsBefore = OpenDescriptors();
  WindowHandle previous = 0;
  for (int round = 0; round < 40; ++round) {
    WindowHandle window = 0;
    {
      ServedWindow served(UniqueClass(), Echo);
      window = link.FindWindowA(UniqueClass());
      ASSERT_NE(window, 0u);
      EXPECT_NE(window, previous);
      EXPECT_EQ(link.SendMessageA(window, 1, 1, round + 1), round + 1);
    }
    EXPECT_EQ(link.SendMessageA(window, 1, 1, 1), 0);
    EXPECT_EQ(link.FindWindowA(UniqueClass()), 0u);
    EXPECT_LE(link.OpenConnections(), 1u);
    previous = window;
  }
  EXPECT_EQ(link.OpenConnections(), 0u);
  EXPECT_EQ(OpenDescriptors(), descriptorsBefore);
}

TEST(DesktopWindowLink, FindingAClassAgainReplacesItsConnection) {
  const UniqueFd listener = RawListen(UniqueClass());
  ServedWindow other(UniqueClass("-other"), Echo);
  DesktopWindowLink link;
  const WindowHandle otherWindow = link.FindWindowA(UniqueClass("-other"));
  const WindowHandle first = link.FindWindowA(UniqueClass());
  const UniqueFd firstPeer = RawAccept(listener);
  const WindowHandle second = link.FindWindowA(UniqueClass());
  ASSERT_NE(second, 0u);
  EXPECT_NE(second, first);
  EXPECT_TRUE(ClosedByPeer(firstPeer));
  EXPECT_EQ(link.SendMessageA(first, 1, 1, 1), 0);
  EXPECT_EQ(link.OpenConnections(), 2u);
  EXPECT_EQ(link.SendMessageA(otherWindow, 1, 1, 3), 3);  // other classes keep theirs
}

TEST(DesktopWindowLink, ManyClientsAtOnceEachGetTheirOwnAnswersAndAtoms) {
  ServedWindow window(UniqueClass(), [](DesktopWindowServer& server, std::uint32_t,
                                        std::uint64_t wParam, std::int64_t lParam) {
    const std::string name = std::to_string(wParam) + ":" + std::to_string(lParam);
    return std::optional<std::int64_t>(static_cast<std::int16_t>(server.AddAtom(name)));
  });
  // A client stuck half-way through a request must not hold up the others.
  const UniqueFd stuck = RawConnect(UniqueClass());
  Write(stuck, {'M', 1, 2, 3});

  constexpr int kClients = 4;
  constexpr int kRequests = 150;
  std::atomic<int> mismatches = 0;
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&, c] {
      DesktopWindowLink link(5s);
      const WindowHandle handle = link.FindWindowA(UniqueClass());
      for (int r = 0; r < kRequests; ++r) {
        const std::int64_t answer = link.SendMessageA(handle, 1, c, r);
        const auto atom = static_cast<Atom>(answer & 0xFFFF);
        char buffer[255];
        const int length = link.GlobalGetAtomNameA(atom, buffer, 255);
        const std::string expected = std::to_string(c) + ":" + std::to_string(r);
        if (answer >= 0 || std::string(buffer, std::max(length, 0)) != expected ||
            link.GlobalDeleteAtom(atom) != 0) {
          ++mismatches;
        }
      }
    });
  }
  for (auto& client : clients) client.join();
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(window.Server().LiveAtoms(), 0u);
}

}  // namespace
}  // namespace veltrano
