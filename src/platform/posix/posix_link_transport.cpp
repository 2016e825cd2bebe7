#include "platform/posix/posix_link_transport.h"

#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/posix/posix_desktop_window_protocol.h"

namespace veltrano {

namespace dw = desktop_window;

PosixLinkTransport::PosixLinkTransport(std::chrono::milliseconds answerTimeout)
    : answerTimeout_(answerTimeout) {}

std::uint32_t PosixLinkTransport::RegisterWindowMessageA(std::string_view name) {
  return dw::MessageIdFor(name);
}

WindowHandle PosixLinkTransport::FindWindowA(std::string_view className) {
  if (className.size() > dw::kMaxClassNameLength) return 0;
  const dw::WindowAddress address = dw::AddressOf(className);

  UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket.Valid()) return 0;  // out of descriptors, say: the server cannot be reached
  // The send time-out also bounds connect, which otherwise waits for as long as a server that
  // has stopped accepting keeps its queue full. The receive time-out bounds the read that waits
  // for a message's answer. A socket without them could hang the caller: no server, then.
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(answerTimeout_);
  const timeval limit{.tv_sec = static_cast<time_t>(micros.count() / 1000000),
                      .tv_usec = static_cast<suseconds_t>(micros.count() % 1000000)};
  for (const int bound : {SO_SNDTIMEO, SO_RCVTIMEO}) {
    if (setsockopt(socket.Get(), SOL_SOCKET, bound, &limit, sizeof limit) != 0) return 0;
  }
  for (;;) {
    if (connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address.address),
                address.length) == 0) {
      break;
    }
    if (errno != EINTR) return 0;  // no listener, or one that does not take the call
  }

  const auto replaced =
      std::find_if(connections_.begin(), connections_.end(),
                   [&](const auto& entry) { return entry.second.className == className; });
  if (replaced != connections_.end()) Forget(replaced->first);
  // Handles count up and skip 0, so a handle of a window that has gone never names a new one.
  if (++lastHandle_ == 0) ++lastHandle_;
  // The handshake goes ahead of the first message; its answer comes ahead of that message's.
  if (!SendAll(socket.Get(), dw::EncodeHello())) return 0;
  connections_.insert_or_assign(
      lastHandle_, Connection{std::move(socket), std::string(className), false, std::nullopt, {}});
  return lastHandle_;
}

MessageResult PosixLinkTransport::SendMessageA(WindowHandle window, std::uint32_t message,
                                               std::uint64_t wParam, std::int64_t lParam) {
  const auto found = connections_.find(window);
  if (found == connections_.end()) return {Delivery::kNoWindow};
  Connection& connection = found->second;
  std::int64_t result = 0;
  if (connection.owed) {
    // A deadline already past takes what has come without waiting.
    const Delivery caughtUp =
        Take(window, connection, *connection.owed, std::chrono::steady_clock::now(), true, result);
    if (caughtUp != Delivery::kAnswered) return {caughtUp};
  }

  PendingAnswer answer;
  answer.hello = connection.greeted ? 0 : dw::kHelloSize;
  // What came past the last answer begins this one.
  std::copy(connection.ahead.begin(), connection.ahead.end(), answer.bytes.begin());
  answer.received = connection.ahead.size();
  connection.ahead.clear();
  if (!SendAll(connection.socket.Get(), dw::EncodeSendMessage({message, wParam, lParam}))) {
    // A server that refused the handshake has closed the connection, maybe after saying why.
    if (!connection.greeted) {
      answer.received =
          ReceiveUntil(connection.socket.Get(), std::span(answer.bytes).first<dw::kHelloSize>(),
                       std::chrono::steady_clock::now())
              .count;
      HandshakeAgrees(connection, answer, true);
    }
    Forget(window);
    return {Delivery::kNoWindow};
  }
  const Delivery delivery = Take(window, connection, answer,
                                 std::chrono::steady_clock::now() + answerTimeout_, false, result);
  if (delivery == Delivery::kNoAnswerInTime) connection.owed = answer;
  return {delivery, delivery == Delivery::kAnswered ? result : 0};
}

std::size_t PosixLinkTransport::PendingAnswer::Wanted(std::size_t count) const {
  const std::size_t header = hello + dw::kMessageAnswerHeaderSize;
  if (count < header) return header;
  return header + dw::AnswerNameLength(
                      std::span(bytes).subspan(hello).first<dw::kMessageAnswerHeaderSize>());
}

Delivery PosixLinkTransport::Take(WindowHandle window, Connection& connection,
                                  PendingAnswer& answer, Deadline deadline, bool late,
                                  std::int64_t& result) {
  // A fresh answer's deadline is the socket's receive time-out from now, so the read can wait.
  const FirstRead firstRead = late ? FirstRead::kWithoutWaiting : FirstRead::kWaitingOnTheSocket;
  const Received received = ReceiveAnswer(
      connection.socket.Get(), answer.bytes, answer.received,
      [&answer](std::size_t count) { return answer.Wanted(count); }, deadline, firstRead);
  answer.received = received.count;
  const bool broke = received.end == Received::End::kBroken;
  if (!HandshakeAgrees(connection, answer, broke) || broke) {
    Forget(window);
    return Delivery::kNoWindow;
  }
  if (received.end == Received::End::kTimedOut) return Delivery::kNoAnswerInTime;

  connection.greeted = true;
  const auto whole = std::span(answer.bytes).subspan(answer.hello);
  result = dw::DecodeResult(whole.first<dw::kResultSize>());
  const std::size_t end = answer.Wanted(answer.received);
  const std::size_t nameLength = end - answer.hello - dw::kMessageAnswerHeaderSize;
  connection.ahead.assign(answer.bytes.begin() + static_cast<std::ptrdiff_t>(end),
                          answer.bytes.begin() + static_cast<std::ptrdiff_t>(answer.received));
  const std::optional<Atom> atom = AtomHandedOverIn(result);
  if (late) {
    // Nobody reads the late answer, so its atom would stay in the table: it goes now.
    connection.owed.reset();
    if (atom && nameLength > 0 && !SendDelete(window, *atom)) return Delivery::kNoWindow;
  } else if (atom) {
    const auto name = whole.subspan(dw::kMessageAnswerHeaderSize, nameLength);
    handedOver_.insert_or_assign(*atom, HandedOver{window, std::string(name.begin(), name.end())});
  }
  return Delivery::kAnswered;
}

bool PosixLinkTransport::HandshakeAgrees(const Connection& connection, const PendingAnswer& answer,
                                         bool connectionBroke) {
  if (answer.hello == 0) return true;
  std::optional<std::uint16_t> version;
  if (answer.received >= dw::kHelloSize) {
    version = dw::DecodeHello(std::span(answer.bytes).first<dw::kHelloSize>());
    if (version == dw::kProtocolVersion) return true;
  } else if (!connectionBroke) {
    return true;  // not here yet
  }
  if (!versionReported_) {
    versionReported_ = true;
    if (version) {
      std::fprintf(stderr,
                   "window class %s: the server speaks desktop-window protocol version %u, this "
                   "program version %u; the two cannot talk\n",
                   connection.className.c_str(), unsigned{*version},
                   unsigned{dw::kProtocolVersion});
    } else {
      std::fprintf(stderr,
                   "window class %s: the server did not answer the version handshake of "
                   "desktop-window protocol version %u; it is a program of an older version\n",
                   connection.className.c_str(), unsigned{dw::kProtocolVersion});
    }
  }
  return false;
}

int PosixLinkTransport::GlobalGetAtomNameA(Atom atom, char* buffer, int size) {
  const auto found = handedOver_.find(atom);
  if (found == handedOver_.end() || buffer == nullptr || size <= 0) return 0;
  const std::string& name = found->second.name;
  const std::size_t copied = std::min(name.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, name.data(), copied);
  buffer[copied] = '\0';
  return static_cast<int>(copied);
}

Atom PosixLinkTransport::GlobalDeleteAtom(Atom atom) {
  const auto found = handedOver_.find(atom);
  if (found == handedOver_.end()) return atom;
  const HandedOver handedOver = std::move(found->second);
  handedOver_.erase(found);
  if (handedOver.name.empty()) return atom;  // it did not exist when it was handed over
  return SendDelete(handedOver.window, atom) ? 0 : atom;
}

bool PosixLinkTransport::SendDelete(WindowHandle window, Atom atom) {
  const auto found = connections_.find(window);
  if (found == connections_.end()) return false;
  if (SendAll(found->second.socket.Get(), dw::EncodeAtomRequest(dw::kDeleteAtom, atom))) {
    return true;
  }
  Forget(window);
  return false;
}

void PosixLinkTransport::Forget(WindowHandle window) {
  connections_.erase(window);
  std::erase_if(handedOver_, [window](const auto& entry) { return entry.second.window == window; });
}

}  // namespace veltrano
