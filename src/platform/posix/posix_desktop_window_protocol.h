#pragma once

// The wire format of desktop window messages and global atoms on Linux, this project's own; client
// and server both build on this one description.
//
// A window of class C is a Unix-domain stream socket listening in the abstract namespace under
// the name "desktop-window/" followed by C (no trailing NUL). Each request starts with one byte
// that says its kind; all integers are little-endian. A client may send requests without waiting
// for the answers to those before them; the server answers them in order. A connection opens with
// the version handshake; the server answers it with its own version and closes the connection when
// the two differ, and closes a connection that opens with anything else, so that ends of different
// versions never take each other's bytes for their own:
//
//   'V' version u16                          ->  'V' version u16 (kProtocolVersion)
//   'M' message u32, wParam u64, lParam i64  ->  result i64, length u16 (0..254), that many name
//                                                bytes: the name of the atom that the result
//                                                hands over (AtomHandedOverIn) when that atom
//                                                exists, else length 0 (an atom's name is never
//                                                empty)
//   'N' atom u16                             ->  length u16 (0..254), that many name bytes
//   'D' atom u16                             ->  nothing: the reference is dropped, if the atom
//                                                exists, without a reply
//
// So a value costs one exchange and one request that nobody waits for. Version 1 answered 'M' with
// the result alone, 'D' with a u16, and had no handshake.

#include <sys/socket.h>
#include <sys/un.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/link_transport.h"

namespace veltrano::desktop_window {

inline constexpr std::string_view kAddressPrefix = "desktop-window/";

inline constexpr std::uint16_t kProtocolVersion = 2;

inline constexpr std::uint8_t kHello = 0x56;        // 'V'
inline constexpr std::uint8_t kSendMessage = 0x4D;  // 'M'
inline constexpr std::uint8_t kGetAtomName = 0x4E;  // 'N'
inline constexpr std::uint8_t kDeleteAtom = 0x44;   // 'D'

inline constexpr Atom kFirstAtom = 0xC000;
inline constexpr Atom kLastAtom = 0xFFFF;

// The longest class name whose address fits into a sockaddr_un.
inline constexpr std::size_t kMaxClassNameLength =
    sizeof(sockaddr_un::sun_path) - 1 - kAddressPrefix.size();

// A name read back through a 255-character buffer that also holds the terminator.
inline constexpr std::size_t kMaxAtomNameLength = 254;

inline constexpr std::size_t kHelloSize = 1 + 2;
inline constexpr std::size_t kSendMessageSize = 1 + 4 + 8 + 8;
inline constexpr std::size_t kAtomRequestSize = 1 + 2;
inline constexpr std::size_t kResultSize = 8;
inline constexpr std::size_t kMessageAnswerHeaderSize = kResultSize + 2;
inline constexpr std::size_t kMaxMessageAnswerSize = kMessageAnswerHeaderSize + kMaxAtomNameLength;
inline constexpr std::size_t kAtomAnswerSize = 2;

// What RegisterWindowMessageA gives for `name`: 0xC000 | (h & 0x3FFF), where h is the 32-bit
// FNV-1a hash of the name's bytes with ASCII letters in upper case. Never 0.
std::uint32_t MessageIdFor(std::string_view name);

// The abstract socket address of a window class; the length counts exactly the name bytes after
// the leading 0. Raises Error when the class name does not fit into a socket address.
struct WindowAddress {
  sockaddr_un address{};
  socklen_t length = 0;
};
WindowAddress AddressOf(std::string_view className);

template <typename T>
requires std::is_integral_v<T>
void StoreLittleEndian(T value, std::span<std::uint8_t, sizeof(T)> out) {
  auto bits = static_cast<std::make_unsigned_t<T>>(value);
  for (auto& byte : out) {
    byte = static_cast<std::uint8_t>(bits & 0xFF);
    bits = static_cast<decltype(bits)>(bits >> 8);
  }
}

template <typename T>
requires std::is_integral_v<T> T LoadLittleEndian(std::span<const std::uint8_t, sizeof(T)> in) {
  std::make_unsigned_t<T> bits = 0;
  for (std::size_t i = sizeof(T); i-- > 0;) {
    bits = static_cast<decltype(bits)>((bits << 8) | in[i]);
  }
  return static_cast<T>(bits);
}

struct SendMessageRequest {
  std::uint32_t message = 0;
  std::uint64_t wParam = 0;
  std::int64_t lParam = 0;

  bool operator==(const SendMessageRequest&) const = default;
};

// The handshake, both ways.
std::array<std::uint8_t, kHelloSize> EncodeHello(std::uint16_t version = kProtocolVersion);
// The version a handshake names; none when the bytes are no handshake.
std::optional<std::uint16_t> DecodeHello(std::span<const std::uint8_t, kHelloSize> bytes);

// The whole 'M' request, kind byte included.
std::array<std::uint8_t, kSendMessageSize> EncodeSendMessage(const SendMessageRequest& request);
// The 'M' request after its kind byte.
SendMessageRequest DecodeSendMessage(std::span<const std::uint8_t, kSendMessageSize - 1> body);

// The whole 'N' or 'D' request, kind byte included.
std::array<std::uint8_t, kAtomRequestSize> EncodeAtomRequest(std::uint8_t kind, Atom atom);

// The whole 'M' answer: the result and the name of the atom it hands over ("" for none).
std::vector<std::uint8_t> EncodeMessageAnswer(std::int64_t result, std::string_view atomName);
// The parts of an 'M' answer, from its first kMessageAnswerHeaderSize bytes.
std::int64_t DecodeResult(std::span<const std::uint8_t, kResultSize> bytes);
std::size_t AnswerNameLength(std::span<const std::uint8_t, kMessageAnswerHeaderSize> header);

// The length that starts the 'N' answer.
std::array<std::uint8_t, kAtomAnswerSize> EncodeAtomAnswer(std::uint16_t value);
std::uint16_t DecodeAtomAnswer(std::span<const std::uint8_t, kAtomAnswerSize> bytes);

}  // namespace veltrano::desktop_window
