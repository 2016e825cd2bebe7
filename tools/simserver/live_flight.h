#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <ostream>
#include <thread>

#include "flight_source.h"
#include "live_easing.h"
#include "live_protocol.h"
#include "udp_socket.h"

namespace veltrano::simserver {

// The flight of a running simulator, received over UDP on a thread of its own and served as
// LiveEasing makes it: held while the simulator pauses, eased to a parked aircraft when it falls
// silent, eased back when it comes again. Each change is said once on `log`. Malformed datagrams
// are counted and dropped; with `verbose` the first few are shown.
class LiveFlight final : public FlightSource {
 public:
  static constexpr int kShownFaults = 5;

  // Binds `local` at once (raises Error when it cannot); receives only after Start.
  LiveFlight(std::unique_ptr<LiveProtocol> protocol, const UdpEndpoint& local, std::ostream& log,
             bool verbose);
  ~LiveFlight() override { Stop(); }
  LiveFlight(const LiveFlight&) = delete;
  LiveFlight& operator=(const LiveFlight&) = delete;

  UdpEndpoint Local() const { return socket_.Local(); }

  // Subscribes if the protocol needs it and starts receiving.
  void Start();
  // Stops receiving, unsubscribes and tells how many datagrams came and were dropped; does
  // nothing when not receiving.
  void Stop();

  // A live flight is always at its present moment, whatever the time asked for.
  FlightValues At(double) const override;

 private:
  double Now() const;
  void Receive();
  void Take(const Datagram& datagram, double now);
  void Say(const std::string& line);

  std::unique_ptr<LiveProtocol> protocol_;
  UdpSocket socket_;
  std::ostream& log_;
  const bool verbose_;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();

  mutable std::mutex easingMutex_;
  LiveEasing easing_;

  // Owned by the receiving thread while it runs.
  std::uint64_t datagrams_ = 0;
  std::uint64_t malformed_ = 0;
  bool silenceSaid_ = true;  // nothing to say before the first values
  double lastDatagram_ = 0.0;
  double lastSubscription_ = 0.0;

  std::atomic<bool> stopping_ = false;
  std::thread receiver_;
};

}  // namespace veltrano::simserver
