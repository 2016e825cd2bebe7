#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "platform/link_transport.h"

namespace veltrano {

// What one request hands back: nothing, or a 64-bit float.
using LinkValue = std::variant<std::monostate, double>;

// The status of a request that found no server, got no answer in time, or got the answer 0.
inline constexpr std::int16_t kNoServerStatus = 1;

// A request's reply buffer: 255 bytes, numbered 1 to 255 (byte k is at index k - 1).
using ReplyBuffer = std::array<std::uint8_t, 255>;

// Decodes hexadecimal digit pairs into bytes 1, 2, 3 ... of `bytes`. An odd last character is
// ignored; a pair beyond the buffer raises "Subscript out of range" and a pair that is not
// hexadecimal raises "Type mismatch", with the bytes before it already stored.
void HexToBytes(std::string_view text, std::span<std::uint8_t> bytes);

// The client side of the simulator data server's request protocol.
class LinkClient {
 public:
  explicit LinkClient(LinkTransport& transport);

  // True when the server's window and the message id are both known; looks them up otherwise.
  bool LinkConnect();

  // What became of the last request's message: whether the server answered (whatever it
  // answered), was not there, or did not answer in time. A request without a message, for want of
  // a server, counts as kNoWindow.
  Delivery LastDelivery() const { return lastDelivery_; }

  // Asks the server for one variable. Gives 0 for a decoded reply, 1 when there is no server, no
  // answer in time or the answer 0, or the server's own positive answer. The answer is the low
  // 32 bits of the message's result read as a signed number. Raises Error for an answer outside
  // 16 bits ("Overflow") and for a reply text that does not decode; catches nothing. Only a
  // window that has gone is looked for again, by the next request.
  std::int16_t LinkRequest(std::int32_t variableCode, std::string_view valueType, LinkValue& value,
                           std::string& replyText, std::int32_t& replyHeader);

 private:
  LinkTransport& transport_;
  WindowHandle linkWindow_ = 0;
  std::uint32_t linkMessage_ = 0;
  Delivery lastDelivery_ = Delivery::kNoWindow;
};

}  // namespace veltrano
