#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

#include "udp_socket.h"

namespace veltrano::testing {

// A stand-in for X-Plane's UDP data output on a free loopback port: answers RREF subscriptions
// (index i is pitch, bank, slip, rpm, speed) with one RREF datagram of all the subscribed
// values at each subscriber's requested rate; frequency 0 ends a subscription. Quit forgets
// every subscriber, as a simulator that is closed does; Launch starts again on the same port.
class FakeXPlane {
 public:
  FakeXPlane() { Launch(); }
  ~FakeXPlane() { Quit(); }

  std::uint16_t Port() const { return port_; }
  void Fly(const std::array<float, 5>& values);
  void Launch();
  void Quit();
  // Subscription requests so far with a frequency above 0, and with 0.
  int Subscriptions() const;
  int Unsubscriptions() const;

 private:
  void Serve(std::stop_token stop, simserver::UdpSocket& socket);

  std::uint16_t port_ = 0;
  mutable std::mutex mutex_;
  std::array<float, 5> values_{};
  int subscriptions_ = 0;
  int unsubscriptions_ = 0;
  std::unique_ptr<simserver::UdpSocket> socket_;
  std::jthread server_;
};

}  // namespace veltrano::testing
