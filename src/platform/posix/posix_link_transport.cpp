#include "platform/posix/posix_link_transport.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/posix/posix_desktop_window_protocol.h"

namespace veltrano {

namespace dw = desktop_window;

namespace {

// Waits until the socket has something to read or the deadline has passed, to the nanosecond, so
// that the tick's deadline is kept exactly; false when the wait itself failed.
bool WaitReadable(int socket, Deadline deadline) {
  const auto left = std::max(deadline - std::chrono::steady_clock::now(),
                             std::chrono::steady_clock::duration::zero());
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
  const timespec wait{
      .tv_sec = static_cast<time_t>(seconds.count()),
      .tv_nsec = static_cast<long>(
          std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds).count())};
  pollfd readable{socket, POLLIN, 0};
  return ppoll(&readable, 1, &wait, nullptr) >= 0 || errno == EINTR;
}

}  // namespace

PosixLinkTransport::PosixLinkTransport(std::chrono::milliseconds connectTimeout)
    : connectTimeout_(connectTimeout) {}

PosixLinkTransport::~PosixLinkTransport() {
  // Deletions still held go out, so that the servers' tables are exact; the connections close.
  for (auto& [window, connection] : connections_) {
    if (!connection.held.empty()) SendAll(connection.socket.Get(), connection.held);
  }
}

std::uint32_t PosixLinkTransport::RegisterWindowMessageA(std::string_view name) {
  return dw::MessageIdFor(name);
}

WindowHandle PosixLinkTransport::FindWindowA(std::string_view className) {
  if (className.size() > dw::kMaxClassNameLength) return 0;
  const dw::WindowAddress address = dw::AddressOf(className);

  UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket.Valid()) return 0;  // out of descriptors, say: the server cannot be reached
  // The send time-out also bounds connect, which otherwise waits for as long as a server that
  // has stopped accepting keeps its queue full, and any write that a server does not read. A
  // socket without it could hang the caller: no server, then.
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(connectTimeout_);
  const timeval limit{.tv_sec = static_cast<time_t>(micros.count() / 1000000),
                      .tv_usec = static_cast<suseconds_t>(micros.count() % 1000000)};
  if (setsockopt(socket.Get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) != 0) return 0;
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
  Connection& connection = connections_[lastHandle_];
  connection.socket = std::move(socket);
  connection.className = className;
  return lastHandle_;
}

std::optional<std::vector<MessageTicket>> PosixLinkTransport::SendMessagesAhead(
    WindowHandle window, std::span<const WindowMessage> messages) {
  const auto found = connections_.find(window);
  if (found == connections_.end()) return std::nullopt;
  Connection& connection = found->second;
  std::vector<std::uint8_t> bytes = std::move(connection.held);
  connection.held.clear();
  for (const WindowMessage& message : messages) {
    const auto request = dw::EncodeSendMessage({message.message, message.wParam, message.lParam});
    bytes.insert(bytes.end(), request.begin(), request.end());
  }
  if (!Write(connection, bytes)) {
    Forget(window);
    return std::nullopt;
  }
  std::vector<MessageTicket> tickets;
  for (std::size_t i = 0; i < messages.size(); ++i) {
    if (++lastTicket_ == 0) ++lastTicket_;
    tickets.push_back(lastTicket_);
    connection.awaiting.push_back(lastTicket_);
    owed_.emplace(lastTicket_, window);
  }
  return tickets;
}

bool PosixLinkTransport::Write(Connection& connection, std::span<const std::uint8_t> bytes) {
  if (SendAll(connection.socket.Get(), bytes)) return true;
  // A server that refused the handshake has closed the connection, maybe after saying why.
  if (!connection.greeted) {
    ReadMore(connection, std::chrono::steady_clock::now());
    HandshakeAgrees(connection, true);
  }
  return false;
}

MessageResult PosixLinkTransport::TakeAnswer(MessageTicket ticket, Deadline deadline) {
  for (;;) {
    if (const auto answer = read_.find(ticket); answer != read_.end()) {
      const Answer taken = std::move(answer->second);
      read_.erase(answer);
      if (const std::optional<Atom> atom = AtomHandedOverIn(taken.result)) {
        handedOver_.insert_or_assign(*atom, HandedOver{taken.window, taken.atomName});
      }
      return {Delivery::kAnswered, taken.result};
    }
    const auto owed = owed_.find(ticket);
    if (owed == owed_.end()) return {Delivery::kNoWindow};
    const WindowHandle window = owed->second;
    Connection& connection = connections_.at(window);
    const Received received = ReadMore(connection, deadline);
    const bool broke = received.end == Received::End::kBroken;
    if (!TakeApart(window, connection) || broke) {
      if (broke) HandshakeAgrees(connection, true);  // an older server closes at the handshake
      Forget(window);
      return {Delivery::kNoWindow};
    }
    if (received.end == Received::End::kTimedOut && !read_.contains(ticket)) {
      return {Delivery::kNoAnswerInTime};
    }
  }
}

Received PosixLinkTransport::ReadMore(Connection& connection, Deadline deadline) {
  const int socket = connection.socket.Get();
  // With time left the poll goes first: it returns at once for what is there already, and an
  // answer that is still to come costs no read that finds nothing.
  bool pollFirst = deadline > std::chrono::steady_clock::now();
  for (;;) {
    if (pollFirst && !WaitReadable(socket, deadline)) return {Received::End::kBroken, 0};
    pollFirst = true;
    std::array<std::uint8_t, 4096> chunk;
    const ssize_t got = recv(socket, chunk.data(), chunk.size(), MSG_DONTWAIT);
    if (got > 0) {
      connection.received.insert(connection.received.end(), chunk.begin(), chunk.begin() + got);
      return {Received::End::kComplete, static_cast<std::size_t>(got)};
    }
    if (got == 0) return {Received::End::kBroken, 0};
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return {Received::End::kBroken, 0};
    if (deadline <= std::chrono::steady_clock::now()) return {Received::End::kTimedOut, 0};
  }
}

bool PosixLinkTransport::TakeApart(WindowHandle window, Connection& connection) {
  std::span<const std::uint8_t> rest(connection.received);
  if (!connection.greeted) {
    if (rest.size() < dw::kHelloSize) return true;  // not here yet
    if (!HandshakeAgrees(connection, false)) return false;
    connection.greeted = true;
    rest = rest.subspan(dw::kHelloSize);
  }
  while (!connection.awaiting.empty() && rest.size() >= dw::kMessageAnswerHeaderSize) {
    const auto header = rest.first<dw::kMessageAnswerHeaderSize>();
    const std::size_t nameLength = dw::AnswerNameLength(header);
    if (nameLength > dw::kMaxAtomNameLength) return false;  // not this protocol
    if (rest.size() < dw::kMessageAnswerHeaderSize + nameLength) break;
    const auto name = rest.subspan(dw::kMessageAnswerHeaderSize, nameLength);
    const MessageTicket ticket = connection.awaiting.front();
    connection.awaiting.pop_front();
    owed_.erase(ticket);
    read_.insert_or_assign(ticket, Answer{window, dw::DecodeResult(header.first<dw::kResultSize>()),
                                          std::string(name.begin(), name.end())});
    rest = rest.subspan(dw::kMessageAnswerHeaderSize + nameLength);
  }
  connection.received.erase(connection.received.begin(),
                            connection.received.end() - static_cast<std::ptrdiff_t>(rest.size()));
  return true;
}

bool PosixLinkTransport::HandshakeAgrees(const Connection& connection, bool connectionBroke) {
  if (connection.greeted) return true;
  std::optional<std::uint16_t> version;
  if (connection.received.size() >= dw::kHelloSize) {
    version = dw::DecodeHello(std::span(connection.received).first<dw::kHelloSize>());
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

void PosixLinkTransport::SendHeld() {
  std::vector<WindowHandle> broken;
  for (auto& [window, connection] : connections_) {
    if (connection.held.empty()) continue;
    if (!Write(connection, connection.held)) broken.push_back(window);
    connection.held.clear();
  }
  for (const WindowHandle window : broken) Forget(window);
}

void PosixLinkTransport::EndExchanges() {
  std::vector<WindowHandle> owing;
  for (const auto& [window, connection] : connections_) {
    if (!connection.awaiting.empty()) owing.push_back(window);
  }
  for (const WindowHandle window : owing) Forget(window);
  // Answers read and never taken still hold their atoms.
  for (const auto& [ticket, answer] : read_) {
    const std::optional<Atom> atom = AtomHandedOverIn(answer.result);
    if (atom && !answer.atomName.empty()) HoldDeletion(connections_.at(answer.window), *atom);
  }
  read_.clear();
  SendHeld();
}

void PosixLinkTransport::HoldDeletion(Connection& connection, Atom atom) {
  const auto deletion = dw::EncodeAtomRequest(dw::kDeleteAtom, atom);
  connection.held.insert(connection.held.end(), deletion.begin(), deletion.end());
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
  const auto connection = connections_.find(handedOver.window);
  if (connection == connections_.end()) return atom;
  HoldDeletion(connection->second, atom);
  return 0;
}

void PosixLinkTransport::Forget(WindowHandle window) {
  connections_.erase(window);
  std::erase_if(owed_, [window](const auto& entry) { return entry.second == window; });
  std::erase_if(read_, [window](const auto& entry) { return entry.second.window == window; });
  std::erase_if(handedOver_, [window](const auto& entry) { return entry.second.window == window; });
}

}  // namespace veltrano
