#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/link_transport.h"

namespace veltrano {

// What one request hands back: nothing, a 64-bit float or a signed 32-bit integer.
using LinkValue = std::variant<std::monostate, double, std::int32_t>;

// The status of a request that found no server, got no answer in time, or got the answer 0.
inline constexpr std::int16_t kNoServerStatus = 1;

// A request's reply buffer: 255 bytes, numbered 1 to 255 (byte k is at index k - 1).
using ReplyBuffer = std::array<std::uint8_t, 255>;

// Decodes hexadecimal digit pairs into bytes 1, 2, 3 ... of `bytes`. An odd last character is
// ignored; a pair beyond the buffer raises "Subscript out of range" and a pair that is not
// hexadecimal raises "Type mismatch", with the bytes before it already stored.
void HexToBytes(std::string_view text, std::span<std::uint8_t> bytes);

// The client side of the simulator data server's request protocol.
//
// A request may be sent ahead of the LinkRequest that reads its answer: SendAhead sends the
// requests of a whole tick at once, and each LinkRequest then takes its own answer instead of
// sending anew. An answer that has not come when its LinkRequest stops waiting stays owed: no
// request for that variable is sent again until it has come, and the first LinkRequest for the
// variable after it has come takes it, late, as the answer it was.
class LinkClient {
 public:
  // `answerWait` bounds the wait of a request that was not sent ahead.
  explicit LinkClient(LinkTransport& transport, std::chrono::milliseconds answerWait = kAnswerWait);

  // True when the server's window and the message id are both known; looks them up otherwise.
  bool LinkConnect();

  // What became of the last request's message: whether the server answered (whatever it
  // answered), was not there, or did not answer in time. A request without a message, for want of
  // a server, counts as kNoWindow.
  Delivery LastDelivery() const { return lastDelivery_; }

  // Sends the requests for `variableCodes` in one go, before any answer is waited for, except
  // those still owed. The LinkRequests that follow for these codes take their answers, waiting
  // for them until `answersBy` at the latest, the owed ones' included. A server that has gone
  // since it was found is looked for again at once. False when there is no server.
  bool SendAhead(std::span<const std::int32_t> variableCodes, Deadline answersBy);

  // Looks, without waiting, which owed answers have come since they were waited for, and gives
  // their codes: the next LinkRequest for each takes that answer.
  std::vector<std::int32_t> CollectLateAnswers();

  // Sends what the transport holds back (the deletions of the atoms read), as at the end of a
  // tick.
  void SendHeld() { transport_.SendHeld(); }

  // Gives up every answer still owed (their atoms are deleted when they come), as at the end of
  // a run: the next requests start afresh.
  void EndExchanges();

  // Asks the server for one variable. Gives 0 for a decoded reply, 1 when there is no server, no
  // answer in time or the answer 0, or the server's own positive answer. The answer is the low
  // 32 bits of the message's result read as a signed number. Raises Error for an answer outside
  // 16 bits ("Overflow") and for a reply text that does not decode; catches nothing. Only a
  // window that has gone is looked for again, by the next request.
  std::int16_t LinkRequest(std::int32_t variableCode, std::string_view valueType, LinkValue& value,
                           std::string& replyText, std::int32_t& replyHeader);

 private:
  // A request sent and not yet read by its LinkRequest.
  struct Ahead {
    MessageTicket ticket = 0;
    Deadline answersBy;
    std::optional<MessageResult> came;  // a late answer, taken from the transport already
  };

  // Sends the requests for these codes to the known window; false when it has gone.
  bool Send(std::span<const std::int32_t> variableCodes, Deadline answersBy);
  // The answer to this code's request, sent now when it was not sent ahead.
  MessageResult Exchange(std::int32_t variableCode);
  void ForgetWindow();

  LinkTransport& transport_;
  std::chrono::milliseconds answerWait_;
  WindowHandle linkWindow_ = 0;
  std::uint32_t linkMessage_ = 0;
  Delivery lastDelivery_ = Delivery::kNoWindow;
  std::map<std::int32_t, Ahead> ahead_;  // by variable code
};

}  // namespace veltrano
