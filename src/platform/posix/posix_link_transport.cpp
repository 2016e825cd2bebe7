#include "platform/posix/posix_link_transport.h"

#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <array>
#include <cerrno>
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
  // has stopped accepting keeps its queue full.
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(answerTimeout_);
  const timeval limit{.tv_sec = static_cast<time_t>(micros.count() / 1000000),
                      .tv_usec = static_cast<suseconds_t>(micros.count() % 1000000)};
  setsockopt(socket.Get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
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
  connections_.insert_or_assign(
      lastHandle_, Connection{std::move(socket), std::string(className), std::nullopt});
  return lastHandle_;
}

MessageResult PosixLinkTransport::SendMessageA(WindowHandle window, std::uint32_t message,
                                               std::uint64_t wParam, std::int64_t lParam) {
  const auto found = connections_.find(window);
  if (found == connections_.end()) return {Delivery::kNoWindow};
  Connection& connection = found->second;
  if (connection.owed) {
    if (const Delivery caughtUp = CatchUp(window, connection); caughtUp != Delivery::kAnswered) {
      return {caughtUp};
    }
  }

  const int socket = connection.socket.Get();
  if (!SendAll(socket, dw::EncodeSendMessage({message, wParam, lParam}))) {
    Forget(window);
    return {Delivery::kNoWindow};
  }
  OwedAnswer answer;
  const Received received =
      ReceiveUntil(socket, answer.bytes, std::chrono::steady_clock::now() + answerTimeout_);
  if (received.end == Received::End::kBroken) {
    Forget(window);
    return {Delivery::kNoWindow};
  }
  if (received.end == Received::End::kTimedOut) {
    answer.received = received.count;
    connection.owed = answer;
    return {Delivery::kNoAnswerInTime};
  }
  const std::int64_t result = dw::DecodeResult(answer.bytes);
  const auto low = static_cast<Atom>(static_cast<std::uint64_t>(result) & 0xFFFF);
  if (dw::IsStringAtom(low)) atomOwners_.insert_or_assign(low, window);
  return {Delivery::kAnswered, result};
}

Delivery PosixLinkTransport::CatchUp(WindowHandle window, Connection& connection) {
  OwedAnswer& owed = *connection.owed;
  const Received received =
      ReceiveUntil(connection.socket.Get(), std::span(owed.bytes).subspan(owed.received),
                   std::chrono::steady_clock::now());
  if (received.end == Received::End::kBroken) {
    Forget(window);
    return Delivery::kNoWindow;
  }
  owed.received += received.count;
  if (received.end == Received::End::kTimedOut) return Delivery::kNoAnswerInTime;

  // Nobody reads the late answer, so its atom would stay in the table: it goes now.
  const std::optional<Atom> atom = AtomHandedOverIn(dw::DecodeResult(owed.bytes));
  connection.owed.reset();
  if (atom) {
    std::array<std::uint8_t, dw::kAtomAnswerSize> deleted{};
    if (!Exchange(window, dw::EncodeAtomRequest(dw::kDeleteAtom, *atom), deleted)) {
      return Delivery::kNoWindow;
    }
  }
  return Delivery::kAnswered;
}

int PosixLinkTransport::GlobalGetAtomNameA(Atom atom, char* buffer, int size) {
  const auto owner = atomOwners_.find(atom);
  if (owner == atomOwners_.end() || buffer == nullptr || size <= 0) return 0;
  return ReadAtomName(owner->second, atom, buffer, size);
}

Atom PosixLinkTransport::GlobalDeleteAtom(Atom atom) {
  const auto owner = atomOwners_.find(atom);
  if (owner == atomOwners_.end()) return atom;
  std::array<std::uint8_t, dw::kAtomAnswerSize> answer{};
  if (!Exchange(owner->second, dw::EncodeAtomRequest(dw::kDeleteAtom, atom), answer)) return atom;
  return dw::DecodeAtomAnswer(answer);
}

bool PosixLinkTransport::Exchange(WindowHandle window, std::span<const std::uint8_t> request,
                                  std::span<std::uint8_t> answer) {
  const auto found = connections_.find(window);
  if (found == connections_.end()) return false;
  const Deadline deadline = std::chrono::steady_clock::now() + answerTimeout_;
  const int socket = found->second.socket.Get();
  if (SendAll(socket, request) && ReceiveAll(socket, answer, deadline)) return true;
  // A late answer would be taken for the answer to the next request: the connection is done.
  Forget(window);
  return false;
}

int PosixLinkTransport::ReadAtomName(WindowHandle window, Atom atom, char* buffer, int size) {
  const auto found = connections_.find(window);
  if (found == connections_.end()) return 0;
  const Deadline deadline = std::chrono::steady_clock::now() + answerTimeout_;
  const int socket = found->second.socket.Get();

  std::array<std::uint8_t, dw::kAtomAnswerSize> lengthBytes{};
  if (!SendAll(socket, dw::EncodeAtomRequest(dw::kGetAtomName, atom)) ||
      !ReceiveAll(socket, lengthBytes, deadline)) {
    Forget(window);
    return 0;
  }
  const std::size_t length = dw::DecodeAtomAnswer(lengthBytes);
  std::array<std::uint8_t, dw::kMaxAtomNameLength> name{};
  // A longer name breaks the format; what follows could not be told apart from later answers.
  if (length > name.size() || !ReceiveAll(socket, std::span(name).first(length), deadline)) {
    Forget(window);
    return 0;
  }
  const std::size_t copied = std::min(length, static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, name.data(), copied);
  buffer[copied] = '\0';
  return static_cast<int>(copied);
}

void PosixLinkTransport::Forget(WindowHandle window) {
  connections_.erase(window);
  std::erase_if(atomOwners_, [window](const auto& entry) { return entry.second == window; });
}

}  // namespace veltrano
