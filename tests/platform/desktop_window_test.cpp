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
#include <span>
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

Bytes operator+(Bytes first, const Bytes& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
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
    // 0xFEDCBA9876543211, or the atom 0xC000 as a 16-bit signed number.
    return std::optional<std::int64_t>(lParam == 1 ? -0x4000 : -0x0123456789ABCDEF);
  };
  ServedWindow window(UniqueClass(), handler);
  ASSERT_EQ(window.server->AddAtom("Hello"), 0xC000);
  ASSERT_EQ(window.server->AddAtom("HELLO"), 0xC000);  // a second reference: names have no case
  const UniqueFd stuck = RawSocket();  // half-way through a request, it must hold up nobody
  Write(stuck, "M\1\2\3"_b);
  const UniqueFd raw = RawSocket();
  Write(raw, "V\2\0"_b);  // the handshake of this version
  EXPECT_EQ(Read(raw, 3), "V\2\0"_b);
  // 0x64636261, 0x8147464544434241 and -2, one byte at a time: the result names no atom.
  for (const std::uint8_t byte : "MabcdABCDEFG\x81\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF"_b)
    Write(raw, {byte});
  EXPECT_EQ(Read(raw, 10), "\x11\x32\x54\x76\x98\xBA\xDC\xFE\0\0"_b);
  EXPECT_EQ(seen, std::make_tuple(0x64636261u, 0x8147464544434241ul, std::int64_t{-2}));
  // A result that hands over an atom brings its name along.
  Write(raw, "M\0\0\0\0\0\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0"_b);
  EXPECT_EQ(Read(raw, 15), "\0\xC0\xFF\xFF\xFF\xFF\xFF\xFF\5\0Hello"_b);

  // Deletions get no reply: read, deleted once, still there, deleted for good (and once more,
  // of an atom gone), no name.
  Write(raw, {'N', 0, 0xC0, 'D', 0, 0xC0, 'N', 0, 0xC0, 'D', 0, 0xC0, 'D', 0, 0xC0, 'N', 0, 0xC0});
  EXPECT_EQ(Read(raw, 16), "\5\0Hello\5\0Hello\0\0"_b);
  EXPECT_EQ(window.server->LiveAtoms(), 0u);

  // A client that opens with anything but the handshake, of another version, or an unknown kind
  // is cut off, that connection only; another version first learns this one.
  for (const auto& [sent, answer] : {std::pair("M\0\0"_b, Bytes()), std::pair("V\1\0"_b, "V\2\0"_b),
                                     std::pair("V\2\0X\0\0"_b, "V\2\0"_b)}) {
    const UniqueFd bad = RawSocket();
    Write(bad, sent);
    EXPECT_EQ(Read(bad, answer.size()), answer);
    pollfd closed{bad.Get(), POLLIN, 0};
    EXPECT_TRUE(poll(&closed, 1, 10000) == 1 && (closed.revents & POLLHUP));
  }
  Write(raw, "N\0\xC0"_b);
  EXPECT_EQ(Read(raw, 2), "\0\0"_b);
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

// A result taken without waiting: the delivery, and the result when answered.
std::pair<Delivery, std::int64_t> Look(PosixLinkTransport& link, MessageTicket ticket) {
  const MessageResult got = link.TakeAnswer(ticket, std::chrono::steady_clock::now());
  return {got.delivery, got.result};
}

TEST(PosixLinkTransport, ABatchGoesInOneWriteItsAnswersAreTakenAsTheyComeAndDeletionsRideAlong) {
  RawServer server;
  PosixLinkTransport link;
  const WindowHandle window = link.FindWindowA(UniqueClass());
  server.Accept();
  const Bytes hello = "V\2\0"_b;
  const Bytes message77 = "M\x23\xC1\0\0\1\0\0\0\0\0\0\0\x4D\0\0\0\0\0\0\0"_b;
  const Bytes message79 = "M\x23\xC1\0\0\1\0\0\0\0\0\0\0\x4F\0\0\0\0\0\0\0"_b;
  // -16383 zero-extended as from 32 bits, and the atom's name.
  const Bytes atom49153 = "\x01\xC0\xFF\xFF\0\0\0\0\3\0abc"_b;
  const Bytes status7 = "\x07\0\0\0\0\0\0\0\0\0"_b;

  const WindowMessage batch[] = {{0xC123, 1, 77}, {0xC123, 1, 79}};
  const auto tickets = link.SendMessagesAhead(window, batch);
  ASSERT_TRUE(tickets && tickets->size() == 2);
  EXPECT_EQ(server.Sent(), hello + message77 + message79) << "the handshake ahead, then the batch";
  EXPECT_EQ(Look(link, (*tickets)[0]).first, Delivery::kNoAnswerInTime);
  Write(server.client, hello + Bytes(atom49153.begin(), atom49153.begin() + 3));  // part of it
  EXPECT_EQ(Look(link, (*tickets)[0]).first, Delivery::kNoAnswerInTime);
  Write(server.client, Bytes(atom49153.begin() + 3, atom49153.end()) + status7);
  // Both have come: each is taken by its own ticket, in any order.
  EXPECT_EQ(Look(link, (*tickets)[1]), std::pair(Delivery::kAnswered, std::int64_t{7}));
  EXPECT_EQ(link.TakeAnswer((*tickets)[0], std::chrono::steady_clock::now() + 10s).result,
            0xFFFFC001);
  EXPECT_EQ(Look(link, (*tickets)[0]).first, Delivery::kNoWindow) << "a ticket taken has ended";
  // Its name is read from the answer, and once deleted it has none; the deletion waits for the
  // next write.
  char name[8] = {};
  EXPECT_EQ(link.GlobalGetAtomNameA(0xC001, name, sizeof name), 3);
  EXPECT_STREQ(name, "abc");
  EXPECT_EQ(link.GlobalDeleteAtom(0xC001), 0);
  EXPECT_EQ(link.GlobalGetAtomNameA(0xC001, name, sizeof name), 0);
  EXPECT_EQ(link.GlobalDeleteAtom(0xC001), 0xC001);
  EXPECT_EQ(server.Sent(), Bytes());
  const auto next = link.SendMessagesAhead(window, std::span(batch).first(1));
  ASSERT_TRUE(next);
  EXPECT_EQ(server.Sent(), "D\x01\xC0"_b + message77);

  // Ending the exchanges while an answer is owed closes the connection, so that the server
  // deletes what it would have handed over; the window is gone for this transport.
  link.EndExchanges();
  EXPECT_EQ(link.OpenConnections(), 0u);
  EXPECT_EQ(Read(server.client, 1), Bytes()) << "closed";
  EXPECT_EQ(Look(link, (*next)[0]).first, Delivery::kNoWindow);
  EXPECT_FALSE(link.SendMessagesAhead(window, batch));
}

// One message sent and its answer waited for.
Delivery Exchange(PosixLinkTransport& link, WindowHandle window) {
  const WindowMessage message[] = {{0xC123, 1, 77}};
  const auto tickets = link.SendMessagesAhead(window, message);
  if (!tickets) return Delivery::kNoWindow;
  return link.TakeAnswer(tickets->front(), std::chrono::steady_clock::now() + 10s).delivery;
}

// A server of another version, or one that closes at the handshake, is no window, and the link
// says why once.
TEST(PosixLinkTransport, AServerOfAnotherVersionIsNoWindowAndSaidOnce) {
  for (const auto& [answer, said] :
       {std::pair("V\3\0"_b, "protocol version 3, this program version 2"),
        std::pair(Bytes(), "did not answer the version handshake")}) {
    RawServer server;
    PosixLinkTransport link;
    ::testing::internal::CaptureStderr();
    const WindowHandle window = link.FindWindowA(UniqueClass());
    server.Accept();
    if (!answer.empty()) Write(server.client, answer);
    server.client.Reset();
    EXPECT_EQ(Exchange(link, window), Delivery::kNoWindow);
    const WindowHandle again = link.FindWindowA(UniqueClass());
    server.Accept();
    server.client.Reset();
    EXPECT_EQ(Exchange(link, again), Delivery::kNoWindow);
    const std::string stderrText = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(stderrText.find(said), std::string::npos) << stderrText;
    EXPECT_EQ(stderrText.find('\n'), stderrText.size() - 1) << "said once: " << stderrText;
  }
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
