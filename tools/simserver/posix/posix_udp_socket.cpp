// The UDP socket on POSIX systems.

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/error.h"
#include "system_sockets.h"

namespace veltrano::simserver {

namespace {

int Fd(std::uintptr_t handle) { return static_cast<int>(handle); }

}  // namespace

// POSIX sockets need no start.
void StartSockets() {}

UdpSocket::UdpSocket(const UdpEndpoint& local) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw Error(std::string("cannot make a UDP socket: ") + std::strerror(errno));
  const sockaddr_in address = ToSockaddr(local);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    close(fd);
    throw Error("cannot listen on " + ToString(local) + ": " + std::strerror(error));
  }
  handle_ = static_cast<std::uintptr_t>(fd);
}

UdpSocket::~UdpSocket() { close(Fd(handle_)); }

UdpEndpoint UdpSocket::Local() const {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  getsockname(Fd(handle_), reinterpret_cast<sockaddr*>(&address), &length);
  return FromSockaddr(address);
}

void UdpSocket::SendTo(const UdpEndpoint& to, std::string_view bytes) {
  const sockaddr_in address = ToSockaddr(to);
  if (sendto(Fd(handle_), bytes.data(), bytes.size(), 0,
             reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0 &&
      errno != ECONNREFUSED) {
    throw Error("cannot send to " + ToString(to) + ": " + std::strerror(errno));
  }
}

std::optional<Datagram> UdpSocket::Receive(std::chrono::milliseconds timeout) {
  pollfd wanted{Fd(handle_), POLLIN, 0};
  if (poll(&wanted, 1, static_cast<int>(timeout.count())) <= 0) return std::nullopt;
  char buffer[kMaxDatagram];
  sockaddr_in from{};
  socklen_t length = sizeof from;
  const ssize_t got = recvfrom(Fd(handle_), buffer, sizeof buffer, MSG_DONTWAIT,
                               reinterpret_cast<sockaddr*>(&from), &length);
  if (got < 0) return std::nullopt;  // an interrupted wait, or an error report of an earlier send
  return Datagram{std::string(buffer, static_cast<std::size_t>(got)), FromSockaddr(from)};
}

}  // namespace veltrano::simserver
