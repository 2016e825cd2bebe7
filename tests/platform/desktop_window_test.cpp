// The desktop window transport on Linux: the server and the client, each checked against raw
// sockets that speak the wire format written out here byte by byte.

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
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/posix/desktop_window_link.h"
#include "platform/posix/desktop_window_server.h"
#include "platform/posix/socket_io.h"

namespace veltrano {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// A class name of this test alone, so that test programs running side by side never meet.
std::string UniqueClass() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string("test-") + std::to_string(getpid()) + "-" + info->name();
}

// A socket connected to, or listening on, the abstract address of the test's class, written out
// apart from the code under test: no trailing NUL, the length counts the name exactly.
UniqueFd RawSocket(bool listening = false) {
  UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
  const std::string name = "desktop-window/" + UniqueClass();
  std::memcpy(address.sun_path + 1, name.data(), name.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  const auto* raw = reinterpret_cast<const sockaddr*>(&address);
  const bool ready = listening
                         ? bind(socket.Get(), raw, length) == 0 && listen(socket.Get(), 8) == 0
                         : connect(socket.Get(), raw, length) == 0;
  return ready ? std::move(socket) : UniqueFd();
}

void Write(const UniqueFd& fd, const Bytes& bytes) { ASSERT_TRUE(SendAll(fd.Get(), bytes)); }

// Exactly `count` bytes, or none when they do not all come; the limit only stops a broken test.
Bytes Read(const UniqueFd& socket, std::size_t count) {
  Bytes bytes(count);
  if (!ReceiveAll(socket.Get(), bytes, std::chrono::steady_clock::now() + 10s)) bytes.clear();
  return bytes;
}

// The test's class served by a loop on a thread of the test.
struct ServedWindow {
  explicit ServedWindow(DesktopWindowServer::Handler handler)
      : server(UniqueClass(), std::move(handler)), thread([this] { server.Run(); }) {}
  ~ServedWindow() {
    server.Stop();
    thread.join();
  }
  DesktopWindowServer server;
  std::thread thread;
};

TEST(DesktopWindowProtocol, MessageIdIsTheUpperCaseFnv1aHashInTheRegisteredRange) {
  // 32-bit FNV-1a over the upper-case bytes, worked out apart from this code.
  const std::uint32_t id = 0xC000u | (0xD34B53B9u & 0x3FFFu);  // 0xD3B9
  DesktopWindowLink link;
  EXPECT_EQ(link.RegisterWindowMessageA("WM_FSCONNECT"), id);
  EXPECT_EQ(link.RegisterWindowMessageA("wm_FSconnect"), id);
  EXPECT_EQ(link.RegisterWindowMessageA("a"), 0xC000u | (0xC40BF6CCu & 0x3FFFu));
}

TEST(DesktopWindowServer, AnswersRawRequestsInPiecesOrTogetherAndCountsAtomReferences) {
  std::tuple<std::uint32_t, std::uint64_t, std::int64_t> seen;
  ServedWindow window([&](std::uint32_t message, std::uint64_t wParam, std::int64_t lParam) {
    seen = {message, wParam, lParam};
    return std::optional<std::int64_t>(-0x0123456789ABCDEF);  // 0xFEDCBA9876543211
  });
  ASSERT_EQ(window.server.AddAtom("Hello"), 0xC000);
  ASSERT_EQ(window.server.AddAtom("HELLO"), 0xC000);  // a second reference: names have no case
  const UniqueFd raw = RawSocket();
  ASSERT_TRUE(raw.Valid());
  const Bytes message = {'M',  0x78, 0x56, 0x34, 0x12,                     // 0x12345678
                         0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x81,   // 0x8102030405060708
                         0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};  // -2
  for (const std::uint8_t byte : message) Write(raw, {byte});
  EXPECT_EQ(Read(raw, 8), (Bytes{0x11, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE}));
  EXPECT_EQ(seen, std::make_tuple(0x12345678u, 0x8102030405060708ul, std::int64_t{-2}));

  Write(raw, {'N', 0, 0xC0, 'D', 0, 0xC0, 'N', 0, 0xC0, 'D', 0, 0xC0, 'D', 0, 0xC0, 'N', 0, 0xC0});
  // Read, deleted once, still there, deleted for good, gone (delete gives the atom), no name.
  EXPECT_EQ(Read(raw, 22), (Bytes{5,   0,   'H', 'e', 'l', 'l', 'o', 0,    0,    5, 0,
                                  'H', 'e', 'l', 'l', 'o', 0,   0,   0x00, 0xC0, 0, 0}));
  EXPECT_EQ(window.server.LiveAtoms(), 0u);
}

TEST(DesktopWindowServer, UnknownFirstByteClosesThatConnectionOnly) {
  ServedWindow window([](auto...) { return std::optional<std::int64_t>(0); });
  const UniqueFd other = RawSocket();
  const UniqueFd bad = RawSocket();
  ASSERT_TRUE(bad.Valid() && other.Valid());
  Write(bad, {'X', 0, 0});
  pollfd closed{bad.Get(), POLLIN, 0};
  std::uint8_t byte = 0;
  EXPECT_TRUE(poll(&closed, 1, 10000) == 1 && recv(bad.Get(), &byte, 1, 0) == 0);
  Write(other, {'D', 0x05, 0xC0});
  EXPECT_EQ(Read(other, 2), (Bytes{0x05, 0xC0}));
}

TEST(DesktopWindowLink, SendsExactBytesToARawServerAndReadsItsAnswers) {
  const UniqueFd listener = RawSocket(true);
  DesktopWindowLink link;
  const WindowHandle window = link.FindWindowA(UniqueClass());
  ASSERT_NE(window, 0u);
  const UniqueFd peer(accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
  ASSERT_TRUE(peer.Valid());
  // The answers are written ahead: -16383, the name "ABCD" twice, deleted, did not exist.
  Write(peer, {0x01, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 4, 0, 'A',  'B',
               'C',  'D',  4,    0,    'A',  'B',  'C',  'D',  0, 0, 0x01, 0xC0});
  EXPECT_EQ(link.SendMessageA(window, 0xD3B9, 1, -77), -16383);
  char buffer[255];
  EXPECT_EQ(link.GlobalGetAtomNameA(0xC001, buffer, 255), 4);
  EXPECT_STREQ(buffer, "ABCD");
  EXPECT_EQ(link.GlobalGetAtomNameA(0xC001, buffer, 3), 2);  // cut to fit with its terminator
  EXPECT_STREQ(buffer, "AB");
  EXPECT_EQ(link.GlobalDeleteAtom(0xC001), 0);
  EXPECT_EQ(link.GlobalDeleteAtom(0xC001), 0xC001);
  EXPECT_EQ(Read(peer, 33),
            (Bytes{'M', 0xB9, 0xD3, 0,    0,    1,    0,    0,    0,    0,    0,
                   0,   0,    0xB3, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'N',
                   1,   0xC0, 'N',  1,    0xC0, 'D',  1,    0xC0, 'D',  1,    0xC0}));
}

TEST(DesktopWindowLink, TimeOutGivesZeroAndTheHandleStaysDead) {
  ServedWindow window([](std::uint32_t, std::uint64_t, std::int64_t lParam) {
    // This window procedure never returns for 99.
    return lParam == 99 ? std::nullopt : std::optional<std::int64_t>(lParam);
  });
  DesktopWindowLink link(20ms);
  const WindowHandle hung = link.FindWindowA(UniqueClass());
  ASSERT_EQ(link.SendMessageA(hung, 1, 1, 5), 5);
  EXPECT_EQ(link.SendMessageA(hung, 1, 1, 99), 0);
  EXPECT_EQ(link.OpenConnections(), 0u);
  EXPECT_EQ(link.SendMessageA(hung, 1, 1, 5), 0);  // the server is still there, the handle is not
  const WindowHandle fresh = link.FindWindowA(UniqueClass());
  EXPECT_NE(fresh, hung);
  EXPECT_EQ(link.SendMessageA(fresh, 1, 1, 6), 6);
}

TEST(DesktopWindowLink, ManyClientsAtOnceEachGetTheirOwnAnswersAndAtoms) {
  std::atomic<DesktopWindowServer*> server = nullptr;  // the procedure's own, for its atoms
  ServedWindow window([&](std::uint32_t, std::uint64_t wParam, std::int64_t lParam) {
    const std::string name = std::to_string(wParam) + ":" + std::to_string(lParam);
    return std::optional<std::int64_t>(static_cast<std::int16_t>(server.load()->AddAtom(name)));
  });
  server = &window.server;
  const UniqueFd stuck = RawSocket();  // half-way through a request, it must hold up nobody
  Write(stuck, {'M', 1, 2, 3});
  std::atomic<int> mismatches = 0;
  std::vector<std::thread> clients;
  for (int c = 0; c < 4; ++c) {
    clients.emplace_back([&, c] {
      DesktopWindowLink link(5s);
      const WindowHandle handle = link.FindWindowA(UniqueClass());
      for (int r = 0; r < 150; ++r) {
        const auto atom = static_cast<Atom>(link.SendMessageA(handle, 1, c, r) & 0xFFFF);
        char buffer[255] = {};
        link.GlobalGetAtomNameA(atom, buffer, 255);
        const std::string expected = std::to_string(c) + ":" + std::to_string(r);
        if (buffer != expected || link.GlobalDeleteAtom(atom) != 0) ++mismatches;
      }
    });
  }
  for (auto& client : clients) client.join();
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(window.server.LiveAtoms(), 0u);
}

}  // namespace
}  // namespace veltrano
