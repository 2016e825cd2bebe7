// The parts of the UDP socket that are written the same for every system: addresses and names.

#include "platform/error.h"
#include "system_sockets.h"

namespace veltrano::simserver {

sockaddr_in ToSockaddr(const UdpEndpoint& endpoint) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(endpoint.address);
  address.sin_port = htons(endpoint.port);
  return address;
}

UdpEndpoint FromSockaddr(const sockaddr_in& address) {
  return UdpEndpoint{ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
}

std::uint32_t ResolveHost(const std::string& host) {
  StartSockets();
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
    throw Error("no IPv4 address for '" + host + "'");
  }
  const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  const std::uint32_t result = ntohl(address->sin_addr.s_addr);
  freeaddrinfo(found);
  return result;
}

}  // namespace veltrano::simserver
