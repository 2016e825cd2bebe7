#include "link/link_protocol.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <limits>

#include "platform/error.h"
#include "protocol/data_server.h"

namespace veltrano {

// The reply layout is little-endian and the value is copied out byte for byte.
static_assert(std::endian::native == std::endian::little,
              "reply values are copied straight into native integers and doubles");

namespace {

// The atom name buffer holds at most 254 characters and the terminator.
constexpr int kAtomNameBufferSize = 255;

// Reply bytes 1..4 are the header; the value starts at byte 5, i.e. after 8 hex characters.
constexpr std::size_t kHeaderBytes = 4;
constexpr std::size_t kHeaderChars = 2 * kHeaderBytes;

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

template <class T>
T CopyFromReply(const ReplyBuffer& reply, std::size_t firstByte) {
  T result{};
  RtlMoveMemory(&result, reply.data() + (firstByte - 1), sizeof(T));
  return result;
}

// Sets `value` from the reply's value bytes for the type "n" (in either case), a 64-bit float:
// the one type the program asks for. Any other type leaves the value as it was.
void ExtractValue(const ReplyBuffer& reply, std::string_view valueType, LinkValue& value) {
  constexpr std::size_t kValueByte = kHeaderBytes + 1;
  if (LowerCase(valueType) == "n") value = CopyFromReply<double>(reply, kValueByte);
}

}  // namespace

void HexToBytes(std::string_view text, std::span<std::uint8_t> bytes) {
  const std::size_t pairs = text.size() / 2;
  for (std::size_t k = 1; k <= pairs; ++k) {
    if (k > bytes.size()) throw Error("Subscript out of range");
    const int high = HexDigitValue(text[2 * k - 2]);
    const int low = HexDigitValue(text[2 * k - 1]);
    if (high < 0 || low < 0) throw Error("Type mismatch");
    bytes[k - 1] = static_cast<std::uint8_t>(high * 16 + low);
  }
}

LinkClient::LinkClient(LinkTransport& transport) : transport_(transport) {}

bool LinkClient::LinkConnect() {
  if (linkMessage_ != 0 && linkWindow_ != 0) return true;
  // The message id is system-wide and never changes, so a known one is not asked for again when
  // only the window has to be found anew.
  if (linkMessage_ == 0)
    linkMessage_ = transport_.RegisterWindowMessageA(data_server::kConnectMessageName);
  linkWindow_ = transport_.FindWindowA(data_server::kWindowClass);
  return linkMessage_ != 0 && linkWindow_ != 0;
}

std::int16_t LinkClient::LinkRequest(std::int32_t variableCode, std::string_view valueType,
                                     LinkValue& value, std::string& replyText,
                                     std::int32_t& replyHeader) {
  ReplyBuffer reply{};
  lastDelivery_ = Delivery::kNoWindow;
  if (!LinkConnect()) return kNoServerStatus;

  const MessageResult sent = transport_.SendMessageA(linkWindow_, linkMessage_, 1, variableCode);
  lastDelivery_ = sent.delivery;
  if (sent.delivery == Delivery::kNoWindow) {
    // Look for the window again next time, so that a restarted server is found.
    linkWindow_ = 0;
    return kNoServerStatus;
  }
  if (sent.delivery == Delivery::kNoAnswerInTime) return kNoServerStatus;

  // A window procedure answers with 32 bits; a 64-bit desktop may widen them with zeros, so the
  // upper half says nothing.
  const auto answer = static_cast<std::int32_t>(sent.result);
  if (answer < std::numeric_limits<std::int16_t>::min() ||
      answer > std::numeric_limits<std::int16_t>::max()) {
    throw Error("Overflow");
  }
  const auto status = static_cast<std::int16_t>(answer);
  if (status == 0) return kNoServerStatus;  // a server that has nothing for this code
  if (status > 0) return status;

  const auto atom = static_cast<Atom>(status);
  std::string name(kAtomNameBufferSize, ' ');
  const int count = transport_.GlobalGetAtomNameA(atom, name.data(), kAtomNameBufferSize);
  // The server leaves the atom to us; it goes before anything can fail.
  transport_.GlobalDeleteAtom(atom);
  replyText = name.substr(0, static_cast<std::size_t>(std::clamp(count, 0, kAtomNameBufferSize)));

  HexToBytes(replyText, reply);
  replyHeader = CopyFromReply<std::int32_t>(reply, 1);
  ExtractValue(reply, valueType, value);
  replyText = replyText.size() > kHeaderChars ? replyText.substr(kHeaderChars) : std::string();
  return 0;
}

}  // namespace veltrano
