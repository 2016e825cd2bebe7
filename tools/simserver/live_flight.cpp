#include "live_flight.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>

#include "platform/error.h"

namespace veltrano::simserver {

namespace {

// How long a wait for a datagram lasts at most, and so how soon Stop takes effect.
constexpr std::chrono::milliseconds kPoll(100);

// A datagram as readable text: printable characters as they are, others as \xHH; cut at 60.
std::string Printable(std::string_view bytes) {
  std::string text;
  for (const char c : bytes.substr(0, 60)) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isprint(byte)) {
      text += c;
    } else {
      constexpr char kHex[] = "0123456789ABCDEF";
      text += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 0xF];
    }
  }
  return bytes.size() > 60 ? text + "..." : text;
}

std::string Seconds(double seconds) {
  const std::string text = std::to_string(seconds);
  return text.substr(0, text.find('.') + 2) + " s";
}

}  // namespace

LiveFlight::LiveFlight(std::unique_ptr<LiveProtocol> protocol, const UdpEndpoint& local,
                       std::ostream& log, bool verbose)
    : protocol_(std::move(protocol)), socket_(local), log_(log), verbose_(verbose) {}

void LiveFlight::Start() {
  protocol_->Subscribe(socket_);
  lastSubscription_ = Now();
  receiver_ = std::thread([this] { Receive(); });
}

void LiveFlight::Stop() {
  if (!receiver_.joinable()) return;  // never started, or stopped already
  stopping_ = true;
  receiver_.join();
  try {
    protocol_->Unsubscribe(socket_);
  } catch (const Error&) {
    // Ending anyway: the simulator stops sending to a port that nobody reads soon enough.
  }
  Say(std::string(protocol_->Name()) + ": " + std::to_string(datagrams_) + " datagrams, " +
      std::to_string(malformed_) + " malformed and dropped");
}

FlightValues LiveFlight::At(double) const {
  const double now = Now();
  const std::lock_guard lock(easingMutex_);
  return easing_.At(now);
}

double LiveFlight::Now() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void LiveFlight::Receive() {
  const std::string name(protocol_->Name());
  while (!stopping_) {
    const std::optional<Datagram> datagram = socket_.Receive(kPoll);
    const double now = Now();
    if (datagram) Take(*datagram, now);
    bool silent = false;
    {
      const std::lock_guard lock(easingMutex_);
      silent = easing_.Silent(now);
    }
    if (silent && !std::exchange(silenceSaid_, true)) {
      Say(name + ": no values for " + Seconds(LiveEasing::kSilence) +
          ", easing to a parked aircraft over " + Seconds(LiveEasing::kSettle));
    }
    const double quiet = now - std::max(lastDatagram_, lastSubscription_);
    if (quiet >= kResubscribeAfter) {
      try {
        protocol_->Subscribe(socket_);
      } catch (const Error& error) {
        Say(name + ": " + error.what());
      }
      lastSubscription_ = now;
    }
  }
}

void LiveFlight::Take(const Datagram& datagram, double now) {
  ++datagrams_;
  lastDatagram_ = now;
  const DatagramReading reading = protocol_->Read(datagram.bytes);
  const std::string name(protocol_->Name());
  if (!reading.fault.empty()) {
    if (++malformed_ <= kShownFaults && verbose_) {
      Say(name + ": dropped a malformed datagram from " + ToString(datagram.from) + " (" +
          reading.fault + "): " + Printable(datagram.bytes));
    }
    return;
  }
  if (!reading.values) return;
  SimulatorValues live = *reading.values;
  live.slip = live.slip * kFullBallSlip / protocol_->FullBallSlip();
  bool resumed = false;
  {
    const std::lock_guard lock(easingMutex_);
    resumed = easing_.Arrive(now, live);
  }
  if (resumed) {
    silenceSaid_ = false;
    Say(name + ": receiving values from " + ToString(datagram.from) + ", easing to them over " +
        Seconds(LiveEasing::kResume));
  }
}

void LiveFlight::Say(const std::string& line) { log_ << line + "\n" << std::flush; }

}  // namespace veltrano::simserver
