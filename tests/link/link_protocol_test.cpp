#include "link/link_protocol.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "platform/error.h"
#include "tests/link/link_fakes.h"

namespace veltrano {
namespace {

using testing::FakeLinkTransport;

// The caller's variables, holding values before a request that show whether it touched them.
struct Request {
  LinkValue value = 42.5;
  std::string replyText = "before";
  std::int32_t replyHeader = 777;

  std::int16_t Send(LinkClient& link, std::string_view type, std::int32_t code = 77) {
    return link.LinkRequest(code, type, value, replyText, replyHeader);
  }
  auto Fields() const { return std::tie(value, replyText, replyHeader); }
};
const Request kUntouched;

std::string ErrorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return "";
}

TEST(HexToBytesTest, DecodesPairsUntilTheFirstBadOne) {
  // The buffer starts as 0xEE bytes, as many as the expected one has.
  const std::tuple<std::string, std::vector<std::uint8_t>, std::string> cases[] = {
      {"0aFf", {0x0A, 0xFF, 0xEE}, ""},
      {"Ab7", {0xAB, 0xEE, 0xEE}, ""},  // an odd last character is ignored
      {"12G1", {0x12, 0xEE, 0xEE}, "Type mismatch"},
      {"-1", {0xEE, 0xEE, 0xEE}, "Type mismatch"},
      {"AABBC", {0xAA, 0xBB}, ""},
      {"AABBCC", {0xAA, 0xBB}, "Subscript out of range"},
      {"AAZZ", {0xAA}, "Subscript out of range"}};  // the position is checked before the digits
  for (const auto& [text, after, error] : cases) {
    std::vector<std::uint8_t> buffer(after.size(), 0xEE);
    EXPECT_EQ(ErrorText([&] { HexToBytes(text, buffer); }), error) << text;
    EXPECT_EQ(buffer, after) << text;
  }
}

TEST(LinkRequestTest, AnswerIsTheLow32BitsAsStatusOrOverflowAndOnlyAGoneWindowIsSoughtAgain) {
  constexpr std::int64_t kUpperHalf = 0x5A5A5A5A00000000;  // says nothing: a 32-bit procedure
  // How the server takes the request, its answer, the status (none: "Overflow"), whether the
  // window is looked for again by the next request.
  const std::tuple<Delivery, std::int64_t, std::optional<std::int16_t>, bool> cases[] = {
      {Delivery::kAnswered, 0, 1, false},  // nothing for this code, from a server that is there
      {Delivery::kAnswered, 1, 1, false},
      {Delivery::kAnswered, 7, 7, false},
      {Delivery::kAnswered, kUpperHalf | 7, 7, false},
      {Delivery::kAnswered, kUpperHalf, 1, false},
      {Delivery::kAnswered, 32767, 32767, false},
      {Delivery::kAnswered, 32768, {}, false},
      {Delivery::kAnswered, 49153, {}, false},  // an atom's number sent unsigned
      {Delivery::kAnswered, kUpperHalf | 49153, {}, false},
      {Delivery::kAnswered, -32769, {}, false},
      {Delivery::kNoAnswerInTime, -16383, 1, false},  // an answer that is not there yet
      {Delivery::kNoWindow, 7, 1, true},
  };
  for (const auto& [delivery, answer, status, soughtAgain] : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "answer " << answer << ", delivery " << static_cast<int>(delivery));
    FakeLinkTransport desktop;
    // A request for any other variable would get an atom, and so change the caller's variables.
    desktop.serve = [&](std::int32_t code) { return code == 135 ? answer : -1; };
    desktop.deliver = [&](std::int32_t) { return delivery; };
    LinkClient link(desktop);
    for (int i = 0; i < 2; ++i) {
      Request request;
      std::optional<std::int16_t> got;
      EXPECT_EQ(ErrorText([&] { got = request.Send(link, "n", 135); }), status ? "" : "Overflow");
      EXPECT_EQ(got, status);
      EXPECT_EQ(request.Fields(), kUntouched.Fields());
      EXPECT_EQ(link.LastDelivery(), delivery);
    }
    EXPECT_EQ(desktop.searches, soughtAgain ? 2 : 1);
    // An answer still owed is not asked for again.
    EXPECT_EQ(desktop.requests.size(), delivery == Delivery::kNoAnswerInTime ? 1u : 2u);
    EXPECT_EQ(desktop.registrations, 1) << "the message id stays known";
  }
}

const std::string kFive = "0100000005000000";  // header 1, 5
// Only 254 characters fit beside the terminator in the client's buffer.
const std::string kLong = kFive + std::string(300 - kFive.size(), '0');

TEST(LinkRequestTest, AtomReplyIsDecodedAndTheAtomDeletedOnceOnEveryPath) {
  // Reply name (none: unreadable), type, the caller's variables after, the error raised.
  const std::tuple<std::optional<std::string>, std::string, Request, std::string> cases[] = {
      {"00000000000000000000F03F", "N", {1.0, "000000000000F03F", 0}, ""},  // header 0, 1.0
      {kFive, "x", {kUntouched.value, "05000000", 1}, ""},  // any other type leaves the value
      {kFive, "nb", {kUntouched.value, "05000000", 1}, ""},
      {kFive, "e", {std::int32_t{5}, "05000000", 1}, ""},  // a signed 32-bit integer
      {kFive, "P", {std::int32_t{5}, "05000000", 1}, ""},
      {"FEFFFFFFFBFFFFFF", "d", {std::int32_t{-5}, "FBFFFFFF", -2}, ""},
      {"FEFFFFFFFBFFFFFF", "x", {kUntouched.value, "FBFFFFFF", -2}, ""},
      {"00000000000000000000F03F", "b", {1.0, "000000000000F03F", 0}, ""},
      {"01000000", "n", {0.0, "", 1}, ""},  // a short text leaves the missing bytes zero
      {kLong, "x", {kUntouched.value, kLong.substr(8, 254 - 8), 1}, ""},
      {std::nullopt, "n", {0.0, "", 0}, ""},
      // A bad pair fails after the atom is gone, with the whole text in hand.
      {"0100000005G1", "n", {kUntouched.value, "0100000005G1", 777}, "Type mismatch"}};
  // A 32-bit window procedure's result comes zero-extended: -16383 as 0x00000000FFFFC001.
  for (const std::int64_t resultBits : {std::int64_t{-1}, std::int64_t{0xFFFFFFFF}}) {
    for (const auto& [name, type, after, error] : cases) {
      SCOPED_TRACE(name.value_or("unreadable") + " as " + type + ", result bits " +
                   std::to_string(resultBits));
      FakeLinkTransport desktop;
      desktop.serve = [&](std::int32_t) { return desktop.NewAtom(name) & resultBits; };
      LinkClient link(desktop);
      Request request;
      EXPECT_EQ(ErrorText([&] { EXPECT_EQ(request.Send(link, type), 0); }), error);
      EXPECT_EQ(request.Fields(), after.Fields());
      // Each desktop's first atom is 49153, which the server hands over as -16383.
      EXPECT_EQ(desktop.deletes, (std::map<Atom, int>{{49153, 1}}));
    }
  }
}

}  // namespace
}  // namespace veltrano
