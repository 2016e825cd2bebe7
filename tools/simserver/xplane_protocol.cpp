#include "xplane_protocol.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace veltrano::simserver {

namespace {

constexpr std::size_t kPathBytes = 400;
constexpr std::size_t kReplyHeader = 5;
constexpr std::size_t kPair = 8;

void AppendLittleEndian(std::string& bytes, std::uint32_t word) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>(word >> shift));
}

std::uint32_t LittleEndianAt(std::string_view bytes, std::size_t at) {
  std::uint32_t word = 0;
  for (int i = 3; i >= 0; --i) {
    word = (word << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  }
  return word;
}

}  // namespace

std::string XPlaneProtocol::Request(std::int32_t frequency, std::int32_t index,
                                    std::string_view path) {
  std::string bytes("RREF", 5);  // with its NUL
  AppendLittleEndian(bytes, static_cast<std::uint32_t>(frequency));
  AppendLittleEndian(bytes, static_cast<std::uint32_t>(index));
  bytes.append(path.substr(0, kPathBytes - 1));
  bytes.resize(kReplyHeader + 8 + kPathBytes, '\0');
  return bytes;
}

void XPlaneProtocol::SendAll(UdpSocket& socket, std::int32_t frequency) {
  for (std::size_t i = 0; i < kDatarefs.size(); ++i) {
    socket.SendTo(xplane_, Request(frequency, static_cast<std::int32_t>(i), kDatarefs[i]));
  }
}

DatagramReading XPlaneProtocol::Read(std::string_view datagram) {
  const auto fault = [](std::string text) {
    return DatagramReading{.values = std::nullopt, .fault = std::move(text)};
  };
  if (datagram.size() < kReplyHeader + kPair || !datagram.starts_with("RREF")) {
    return fault("not an RREF reply with values");
  }
  if ((datagram.size() - kReplyHeader) % kPair != 0) {
    return fault("a value pair cut short (" + std::to_string(datagram.size()) + " bytes)");
  }
  // The whole datagram is checked before any of its values counts.
  std::array<double, 5> latest = latest_;
  unsigned seen = seen_;
  for (std::size_t at = kReplyHeader; at < datagram.size(); at += kPair) {
    const auto index = static_cast<std::int32_t>(LittleEndianAt(datagram, at));
    const auto value = std::bit_cast<float>(LittleEndianAt(datagram, at + 4));
    if (index < 0 || index >= static_cast<std::int32_t>(kDatarefs.size())) {
      return fault("index " + std::to_string(index) + " was not asked for");
    }
    if (!std::isfinite(value))
      return fault("not a finite value for index " + std::to_string(index));
    latest[static_cast<std::size_t>(index)] = value;
    seen |= 1u << index;
  }
  latest_ = latest;
  seen_ = seen;
  if (seen_ != (1u << kDatarefs.size()) - 1) return {};
  return {.values = SimulatorValues{.pitch = latest_[0],
                                    .bank = latest_[1],
                                    .slip = latest_[2],
                                    .rpm = latest_[3],
                                    .speed = latest_[4]},
          .fault = {}};
}

}  // namespace veltrano::simserver
