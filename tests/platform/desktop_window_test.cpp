// The desktop window transport on Linux: the server and the client, each checked against raw
// sockets that speak the wire format written out here byte by byte.

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "desktop_window_server/desktop_window_server.h"
#include "platform/posix/posix_link_transport.h"
#include "platform/posix/posix_socket_io.h"

namespace veltrano {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// Wire bytes written as a string literal, embedded NULs included.
Bytes operator""_b(const char* text, std::size_t size) { return Bytes(text, text + size); }

// A class name of this test alone, so that test programs running side by side never meet.
std::string UniqueClass() {
  return "test-" + std::to_string(getpid()) + "-" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

// A socket connected to the abstract address of the test's class, written out apart from the
// code under test: no trailing NUL, the length counts the name exactly.
UniqueFd RawSocket() {
  UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const std::string name = std::string(1, '\0') + "desktop-window/" + UniqueClass();
  sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
  name.copy(address.sun_path, name.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
  const auto* raw = reinterpret_cast<const sockaddr*>(&address);
  EXPECT_EQ(connect(socket.Get(), raw, length), 0);
  return socket;
}

void Write(const UniqueFd& fd, const Bytes& bytes) { ASSERT_TRUE(SendAll(fd.Get(), bytes)); }

// Exactly `count` bytes, or none when they do not all come; the limit only stops a broken test.
Bytes Read(const UniqueFd& socket, std::size_t count) {
  Bytes bytes(count);
  return ReceiveAll(socket.Get(), bytes, std::chrono::steady_clock::now() + 10s) ? bytes : Bytes();
}

// The test's class served by a loop on a thread of the test.
struct ServedWindow {
  ServedWindow(std::string_view className, DesktopWindowServer::Handler handler)
      : server(NewDesktopWindowServer(className, std::move(handler))) {}
  ~ServedWindow() { server->Stop(); }  // the thread joins before the server goes
  std::unique_ptr<DesktopWindowServer> server;
  std::jthread thread{[this] { server->Run(); }};
};

// A window procedure that answers with lParam.
std::optional<std::int64_t> Echo(std::uint32_t, std::uint64_t, std::int64_t lParam) {
  return lParam;
}

TEST(DesktopWindowServer, AnswersEachRawClientCountsAtomReferencesAndDropsUnknownKinds) {
  std::tuple<std::uint32_t, std::uint64_t, std::int64_t> seen;
  const auto handler = [&](std::uint32_t message, std::uint64_t wParam, std::int64_t lParam) {
    seen = {message, wParam, lParam};
    return std::optional<std::int64_t>(-0x0123456789ABCDEF);  // 0xFEDCBA9876543211
  };
  ServedWindow window(UniqueClass(), handler);
  ASSERT_EQ(window.server->AddAtom("Hello"), 0xC000);
  ASSERT_EQ(window.server->AddAtom("HELLO"), 0xC000);  // a second reference: names have no case
  const UniqueFd stuck = RawSocket();  // half-way through a request, it must hold up nobody
  Write(stuck, "M\1\2\3"_b);
  const UniqueFd raw = RawSocket();
  // 0x64636261, 0x8147464544434241 and -2, one byte at a time.
  for (const std::uint8_t byte : "MabcdABCDEFG\x81\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF"_b)
    Write(raw, {byte});
  EXPECT_EQ(Read(raw, 8), "\x11\x32\x54\x76\x98\xBA\xDC\xFE"_b);
  EXPECT_EQ(seen, std::make_tuple(0x64636261u, 0x8147464544434241ul, std::int64_t{-2}));

  Write(raw, {'N', 0, 0xC0, 'D', 0, 0xC0, 'N', 0, 0xC0, 'D', 0, 0xC0, 'D', 0, 0xC0, 'N', 0, 0xC0});
  // Read, deleted once, still there, deleted for good, gone (delete gives the atom), no name.
  EXPECT_EQ(Read(raw, 22), "\5\0Hello\0\0\5\0Hello\0\0\0\xC0\0\0"_b);
  EXPECT_EQ(window.server->LiveAtoms(), 0u);

  const UniqueFd bad = RawSocket();  // an unknown kind closes that connection only
  Write(bad, "X\0\0"_b);
  pollfd closed{bad.Get(), POLLIN, 0};
  EXPECT_TRUE(poll(&closed, 1, 10000) == 1 && (closed.revents & POLLHUP));
  Write(raw, "D\x05\xC0"_b);
  EXPECT_EQ(Read(raw, 2), "\x05\xC0"_b);
}

// The test plays the server on a listening socket of its own, so that it answers exactly when
// the row says.
struct RawServer {
  RawServer() {
    const std::string name = std::string(1, '\0') + "desktop-window/" + UniqueClass();
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    name.copy(address.sun_path, name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
    EXPECT_EQ(bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), length), 0);
    EXPECT_EQ(listen(listener.Get(), 1), 0);
  }
  void Accept() { client = UniqueFd(accept(listener.Get(), nullptr, nullptr)); }
  // What the client has sent so far, without waiting.
  Bytes Sent() {
    Bytes bytes(256);
    const ssize_t got = recv(client.Get(), bytes.data(), bytes.size(), MSG_DONTWAIT);
    bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return bytes;
  }
  UniqueFd listener{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)};
  UniqueFd client;
};

TEST(PosixLinkTransport, ALateAnswerIsOwedUntilItComesAndOnlyABrokenConnectionIsNoWindow) {
  RawServer server;
  PosixLinkTransport link(1ms);
  const WindowHandle window = link.FindWindowA(UniqueClass());
  server.Accept();
  const auto send = [&](std::int64_t lParam) {
    const MessageResult got = link.SendMessageA(window, 0xC123, 1, lParam);
    return std::pair(got.delivery, got.result);
  };
  const Bytes message77 = "M\x23\xC1\0\0\1\0\0\0\0\0\0\0\x4D\0\0\0\0\0\0\0"_b;
  const Bytes message79 = "M\x23\xC1\0\0\1\0\0\0\0\0\0\0\x4F\0\0\0\0\0\0\0"_b;
  const Bytes atom49153 = "\x01\xC0\xFF\xFF\0\0\0\0"_b;  // -16383, zero-extended as from 32 bits

  EXPECT_EQ(send(77), std::pair(Delivery::kNoAnswerInTime, std::int64_t{0}));
  EXPECT_EQ(server.Sent(), message77);
  Write(server.client, Bytes(atom49153.begin(), atom49153.begin() + 3));  // part of it
  EXPECT_EQ(send(79).first, Delivery::kNoAnswerInTime);
  EXPECT_EQ(server.Sent(), Bytes()) << "nothing more to a server that is behind";
  // The rest comes, the delete of its atom finds its answer waiting, and so does the next
  // message's.
  Write(server.client, Bytes(atom49153.begin() + 3, atom49153.end()));
  Write(server.client, "\0\0"_b);
  Write(server.client, "\x07\0\0\0\0\0\0\0"_b);
  EXPECT_EQ(send(79), std::pair(Delivery::kAnswered, std::int64_t{7}));
  Bytes deleteThenMessage = "D\x01\xC0"_b;
  deleteThenMessage.insert(deleteThenMessage.end(), message79.begin(), message79.end());
  EXPECT_EQ(server.Sent(), deleteThenMessage);
  EXPECT_EQ(link.OpenConnections(), 1u);

  EXPECT_EQ(send(77).first, Delivery::kNoAnswerInTime);
  server.client.Reset();  // the server goes while it owes an answer
  EXPECT_EQ(send(77).first, Delivery::kNoWindow);
  EXPECT_EQ(send(77).first, Delivery::kNoWindow);
  EXPECT_EQ(link.OpenConnections(), 0u);
}

TEST(PosixLinkTransport, NoDescriptorLeftForASocketFindsNoWindowAndRaisesNothing) {
  ServedWindow window(UniqueClass(), Echo);
  PosixLinkTransport link;
  rlimit usual{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &usual), 0);
  rlimit noneLeft = usual;
  noneLeft.rlim_cur = static_cast<rlim_t>(dup(0));  // the lowest free descriptor
  close(static_cast<int>(noneLeft.rlim_cur));
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &noneLeft), 0);
  const WindowHandle outOfDescriptors = link.FindWindowA(UniqueClass());
  setrlimit(RLIMIT_NOFILE, &usual);
  EXPECT_EQ(outOfDescriptors, 0u);
  EXPECT_NE(link.FindWindowA(UniqueClass()), 0u);
}

}  // namespace
}  // namespace veltrano
