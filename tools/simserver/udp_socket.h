#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veltrano::simserver {

// An IPv4 address and port, both in host byte order.
struct UdpEndpoint {
  std::uint32_t address = 0x7F000001;  // 127.0.0.1
  std::uint16_t port = 0;

  bool operator==(const UdpEndpoint&) const = default;
};

// "A.B.C.D:PORT".
inline std::string ToString(const UdpEndpoint& endpoint) {
  const std::uint32_t a = endpoint.address;
  return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 0xFF) + "." +
         std::to_string((a >> 8) & 0xFF) + "." + std::to_string(a & 0xFF) + ":" +
         std::to_string(endpoint.port);
}

// The IPv4 address of `host`, a dotted address or a name; raises Error when it has none.
std::uint32_t ResolveHost(const std::string& host);

struct Datagram {
  std::string bytes;
  UdpEndpoint from;
};

// One UDP socket, the only place where the operating system's socket calls are made (in
// udp_socket.cpp what every system shares, and a file per system for the rest). Datagrams longer
// than kMaxDatagram are cut short.
class UdpSocket {
 public:
  static constexpr std::size_t kMaxDatagram = 2048;

  // Binds to `local`; port 0 takes any free port. Raises Error naming the endpoint on failure.
  explicit UdpSocket(const UdpEndpoint& local);
  ~UdpSocket();
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;

  // Where it is bound, with the port that the system chose.
  UdpEndpoint Local() const;

  // Sends one datagram; raises Error when the system refuses it outright. Delivery is never known.
  void SendTo(const UdpEndpoint& to, std::string_view bytes);

  // The next datagram, waiting at most `timeout`; none when nothing came in that time.
  std::optional<Datagram> Receive(std::chrono::milliseconds timeout);

 private:
  std::uintptr_t handle_;
};

}  // namespace veltrano::simserver
