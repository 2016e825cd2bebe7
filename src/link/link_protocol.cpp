#include "link/link_protocol.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <limits>

#include "platform/error.h"
#include "protocol/data_server_requests.h"

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

// Sets `value` from the reply's value bytes as its type says: a 64-bit float for "n" and "b", a
// signed 32-bit integer for "e", "f", "d", "o" and "p", in either case. Any other type leaves the
// value as it was.
void ExtractValue(const ReplyBuffer& reply, std::string_view valueType, LinkValue& value) {
  constexpr std::size_t kValueByte = kHeaderBytes + 1;
  const std::string type = LowerCase(valueType);
  if (type == "n" || type == "b") {
    value = CopyFromReply<double>(reply, kValueByte);
  } else if (type == "e" || type == "f" || type == "d" || type == "o" || type == "p") {
    value = CopyFromReply<std::int32_t>(reply, kValueByte);
  }
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

LinkClient::LinkClient(LinkTransport& transport, std::chrono::milliseconds answerWait)
    : transport_(transport), answerWait_(answerWait) {}

bool LinkClient::LinkConnect() {
  if (linkMessage_ != 0 && linkWindow_ != 0) return true;
  // The message id is system-wide and never changes, so a known one is not asked for again when
  // only the window has to be found anew.
  if (linkMessage_ == 0)
    linkMessage_ = transport_.RegisterWindowMessageA(data_server::kConnectMessageName);
  linkWindow_ = transport_.FindWindowA(data_server::kWindowClass);
  return linkMessage_ != 0 && linkWindow_ != 0;
}

bool LinkClient::SendAhead(std::span<const std::int32_t> variableCodes, Deadline answersBy) {
  if (!LinkConnect()) return false;
  if (Send(variableCodes, answersBy)) return true;
  // The window has gone since it was found: a server that has started again is found now, so
  // that this tick still reads it.
  ForgetWindow();
  return LinkConnect() && Send(variableCodes, answersBy);
}

bool LinkClient::Send(std::span<const std::int32_t> variableCodes, Deadline answersBy) {
  std::vector<WindowMessage> messages;
  for (const std::int32_t code : variableCodes) {
    if (const auto owed = ahead_.find(code); owed != ahead_.end()) {
      owed->second.answersBy = answersBy;
    } else {
      messages.push_back({linkMessage_, 1, code});
    }
  }
  if (messages.empty()) return true;
  const std::optional<std::vector<MessageTicket>> tickets =
      transport_.SendMessagesAhead(linkWindow_, messages);
  if (!tickets) return false;
  for (std::size_t i = 0; i < messages.size(); ++i) {
    ahead_.insert_or_assign(static_cast<std::int32_t>(messages[i].lParam),
                            Ahead{(*tickets)[i], answersBy, std::nullopt});
  }
  return true;
}

std::vector<std::int32_t> LinkClient::CollectLateAnswers() {
  std::vector<std::int32_t> came;
  const Deadline now = std::chrono::steady_clock::now();
  for (auto& [code, ahead] : ahead_) {
    if (!ahead.came) {
      const MessageResult taken = transport_.TakeAnswer(ahead.ticket, now);
      if (taken.delivery == Delivery::kNoWindow) {
        ForgetWindow();  // and every answer it owed: the next requests look for a server again
        return {};
      }
      if (taken.delivery == Delivery::kAnswered) ahead.came = taken;
    }
    if (ahead.came) came.push_back(code);
  }
  return came;
}

void LinkClient::EndExchanges() {
  // Answers that came and were never read still hold their atoms.
  for (const auto& [code, ahead] : ahead_) {
    if (!ahead.came) continue;
    if (const auto atom = AtomHandedOverIn(ahead.came->result)) transport_.GlobalDeleteAtom(*atom);
  }
  ahead_.clear();
  transport_.EndExchanges();
}

void LinkClient::ForgetWindow() {
  // The answers that the window owed went with it.
  ahead_.clear();
  linkWindow_ = 0;
}

MessageResult LinkClient::Exchange(std::int32_t variableCode) {
  auto ahead = ahead_.find(variableCode);
  if (ahead == ahead_.end()) {
    const std::int32_t codes[] = {variableCode};
    if (!Send(codes, std::chrono::steady_clock::now() + answerWait_)) {
      return {Delivery::kNoWindow};
    }
    ahead = ahead_.find(variableCode);
  }
  // Taken off before the transport is asked, which may raise: the request ends then.
  const Ahead request = ahead->second;
  ahead_.erase(ahead);
  const MessageResult taken =
      request.came ? *request.came : transport_.TakeAnswer(request.ticket, request.answersBy);
  if (taken.delivery == Delivery::kNoAnswerInTime) ahead_.emplace(variableCode, request);
  return taken;
}

std::int16_t LinkClient::LinkRequest(std::int32_t variableCode, std::string_view valueType,
                                     LinkValue& value, std::string& replyText,
                                     std::int32_t& replyHeader) {
  ReplyBuffer reply{};
  lastDelivery_ = Delivery::kNoWindow;
  if (!LinkConnect()) return kNoServerStatus;

  const MessageResult sent = Exchange(variableCode);
  lastDelivery_ = sent.delivery;
  if (sent.delivery == Delivery::kNoWindow) {
    // Look for the window again next time, so that a restarted server is found.
    ForgetWindow();
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
