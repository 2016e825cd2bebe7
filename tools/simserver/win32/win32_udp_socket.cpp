// The UDP socket on Windows, with Winsock.

#include <mutex>

#include "platform/error.h"
#include "system_sockets.h"

namespace veltrano::simserver {

namespace {

std::string LastError() { return "Winsock error " + std::to_string(WSAGetLastError()); }

SOCKET Socket(std::uintptr_t handle) { return static_cast<SOCKET>(handle); }

}  // namespace

// Winsock must be started once per process before the first socket call; it stays up until the
// process ends.
void StartSockets() {
  static std::once_flag started;
  std::call_once(started, [] {
    WSADATA data;
    if (const int error = WSAStartup(MAKEWORD(2, 2), &data); error != 0) {
      throw Error("cannot start Winsock: error " + std::to_string(error));
    }
  });
}

UdpSocket::UdpSocket(const UdpEndpoint& local) {
  StartSockets();
  const SOCKET handle = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (handle == INVALID_SOCKET) throw Error("cannot make a UDP socket: " + LastError());
  const sockaddr_in address = ToSockaddr(local);
  if (bind(handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const std::string error = LastError();
    closesocket(handle);
    throw Error("cannot listen on " + ToString(local) + ": " + error);
  }
  // Without this, a datagram sent to a port where nobody listens (the simulator not started yet)
  // makes the next receive fail with WSAECONNRESET instead of waiting for data.
  BOOL reportReset = FALSE;
  DWORD returned = 0;
  WSAIoctl(handle, _WSAIOW(IOC_VENDOR, 12), &reportReset, sizeof reportReset, nullptr, 0, &returned,
           nullptr, nullptr);
  handle_ = static_cast<std::uintptr_t>(handle);
}

UdpSocket::~UdpSocket() { closesocket(Socket(handle_)); }

UdpEndpoint UdpSocket::Local() const {
  sockaddr_in address{};
  int length = sizeof address;
  getsockname(Socket(handle_), reinterpret_cast<sockaddr*>(&address), &length);
  return FromSockaddr(address);
}

void UdpSocket::SendTo(const UdpEndpoint& to, std::string_view bytes) {
  const sockaddr_in address = ToSockaddr(to);
  if (sendto(Socket(handle_), bytes.data(), static_cast<int>(bytes.size()), 0,
             reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR &&
      WSAGetLastError() != WSAECONNRESET) {
    throw Error("cannot send to " + ToString(to) + ": " + LastError());
  }
}

std::optional<Datagram> UdpSocket::Receive(std::chrono::milliseconds timeout) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(Socket(handle_), &readable);
  timeval wait{static_cast<long>(timeout.count() / 1000),
               static_cast<long>(timeout.count() % 1000 * 1000)};
  if (select(0, &readable, nullptr, nullptr, &wait) <= 0) return std::nullopt;
  char buffer[kMaxDatagram];
  sockaddr_in from{};
  int length = sizeof from;
  const int got = recvfrom(Socket(handle_), buffer, sizeof buffer, 0,
                           reinterpret_cast<sockaddr*>(&from), &length);
  // A datagram longer than the buffer arrives cut short, with WSAEMSGSIZE.
  if (got == SOCKET_ERROR && WSAGetLastError() != WSAEMSGSIZE) return std::nullopt;
  const auto size = got == SOCKET_ERROR ? sizeof buffer : static_cast<std::size_t>(got);
  return Datagram{std::string(buffer, size), FromSockaddr(from)};
}

}  // namespace veltrano::simserver
