#include "platform/posix/posix_desktop_window_protocol.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/error.h"

namespace veltrano::desktop_window {

std::uint32_t MessageIdFor(std::string_view name) {
  std::uint32_t hash = 2166136261u;
  for (const char c : name) {
    const auto byte = static_cast<std::uint8_t>(c);
    const std::uint8_t upper = (byte >= 'a' && byte <= 'z') ? byte - ('a' - 'A') : byte;
    hash ^= upper;
    hash *= 16777619u;
  }
  return 0xC000u | (hash & 0x3FFFu);
}

WindowAddress AddressOf(std::string_view className) {
  WindowAddress result;
  result.address.sun_family = AF_UNIX;
  // sun_path[0] stays 0: that is what puts the name into the abstract namespace.
  const std::size_t nameLength = kAddressPrefix.size() + className.size();
  if (nameLength > sizeof(result.address.sun_path) - 1) {
    throw Error("Window class name too long: " + std::string(className));
  }
  char* name = result.address.sun_path + 1;
  std::memcpy(name, kAddressPrefix.data(), kAddressPrefix.size());
  std::memcpy(name + kAddressPrefix.size(), className.data(), className.size());
  result.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + nameLength);
  return result;
}

std::array<std::uint8_t, kSendMessageSize> EncodeSendMessage(const SendMessageRequest& request) {
  std::array<std::uint8_t, kSendMessageSize> bytes{};
  bytes[0] = kSendMessage;
  StoreLittleEndian(request.message, std::span(bytes).subspan<1, 4>());
  StoreLittleEndian(request.wParam, std::span(bytes).subspan<5, 8>());
  StoreLittleEndian(request.lParam, std::span(bytes).subspan<13, 8>());
  return bytes;
}

SendMessageRequest DecodeSendMessage(std::span<const std::uint8_t, kSendMessageSize - 1> body) {
  return SendMessageRequest{
      .message = LoadLittleEndian<std::uint32_t>(body.subspan<0, 4>()),
      .wParam = LoadLittleEndian<std::uint64_t>(body.subspan<4, 8>()),
      .lParam = LoadLittleEndian<std::int64_t>(body.subspan<12, 8>()),
  };
}

std::array<std::uint8_t, kAtomRequestSize> EncodeAtomRequest(std::uint8_t kind, Atom atom) {
  std::array<std::uint8_t, kAtomRequestSize> bytes{};
  bytes[0] = kind;
  StoreLittleEndian(atom, std::span(bytes).subspan<1, 2>());
  return bytes;
}

std::array<std::uint8_t, kHelloSize> EncodeHello(std::uint16_t version) {
  std::array<std::uint8_t, kHelloSize> bytes{};
  bytes[0] = kHello;
  StoreLittleEndian(version, std::span(bytes).subspan<1, 2>());
  return bytes;
}

std::optional<std::uint16_t> DecodeHello(std::span<const std::uint8_t, kHelloSize> bytes) {
  if (bytes[0] != kHello) return std::nullopt;
  return LoadLittleEndian<std::uint16_t>(bytes.subspan<1, 2>());
}

std::vector<std::uint8_t> EncodeMessageAnswer(std::int64_t result, std::string_view atomName) {
  // Filled in a buffer of the longest answer, not in the vector itself: GCC 12 takes writes into a
  // short vector for overruns when it optimises.
  std::array<std::uint8_t, kMaxMessageAnswerSize> bytes{};
  const std::size_t nameLength = std::min(atomName.size(), kMaxAtomNameLength);
  StoreLittleEndian(result, std::span(bytes).first<kResultSize>());
  StoreLittleEndian(static_cast<std::uint16_t>(nameLength),
                    std::span(bytes).subspan<kResultSize, 2>());
  atomName.copy(reinterpret_cast<char*>(bytes.data() + kMessageAnswerHeaderSize), nameLength);
  return {bytes.begin(),
          bytes.begin() + static_cast<std::ptrdiff_t>(kMessageAnswerHeaderSize + nameLength)};
}

std::size_t AnswerNameLength(std::span<const std::uint8_t, kMessageAnswerHeaderSize> header) {
  return LoadLittleEndian<std::uint16_t>(header.subspan<kResultSize, 2>());
}

std::int64_t DecodeResult(std::span<const std::uint8_t, kResultSize> bytes) {
  return LoadLittleEndian<std::int64_t>(bytes);
}

std::array<std::uint8_t, kAtomAnswerSize> EncodeAtomAnswer(std::uint16_t value) {
  std::array<std::uint8_t, kAtomAnswerSize> bytes{};
  StoreLittleEndian(value, std::span(bytes));
  return bytes;
}

std::uint16_t DecodeAtomAnswer(std::span<const std::uint8_t, kAtomAnswerSize> bytes) {
  return LoadLittleEndian<std::uint16_t>(bytes);
}

}  // namespace veltrano::desktop_window
