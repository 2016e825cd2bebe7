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

TEST(LinkRequestTest, PlainAnswerIsTheStatusOrAnOverflowAndOnlyZeroForgetsTheWindow) {
  // No status: the request raises "Overflow". 49153 is an atom's number sent unsigned; 2^32 - 1
  // would pass a 32-bit truncation as -1.
  const std::tuple<std::int64_t, std::optional<std::int16_t>> cases[] = {
      {0, 1},      {1, 1},      {7, 7},       {32767, 32767},
      {32768, {}}, {49153, {}}, {-32769, {}}, {4294967295LL, {}}};
  for (const auto& [answer, status] : cases) {
    FakeLinkTransport desktop;
    // A request for any other variable would get an atom, and so change the caller's variables.
    desktop.serve = [&](std::int32_t code) { return code == 135 ? answer : -1; };
    LinkClient link(desktop);
    for (int i = 0; i < 2; ++i) {
      Request request;
      std::optional<std::int16_t> got;
      EXPECT_EQ(ErrorText([&] { got = request.Send(link, "e", 135); }), status ? "" : "Overflow");
      EXPECT_EQ(got, status) << answer;
      EXPECT_EQ(request.Fields(), kUntouched.Fields()) << answer;
    }
    EXPECT_EQ(desktop.searches, answer == 0 ? 2 : 1) << answer;
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
      {kFive, "e", {std::int32_t{5}, "05000000", 1}, ""},
      {kFive, "x", {kUntouched.value, "05000000", 1}, ""},  // an unknown type leaves the value
      {kFive, "nb", {kUntouched.value, "05000000", 1}, ""},
      {"FEFFFFFFFBFFFFFF", "e", {std::int32_t{-5}, "FBFFFFFF", -2}, ""},
      {"01000000", "n", {0.0, "", 1}, ""},  // a short text leaves the missing bytes zero
      {kLong, "e", {std::int32_t{5}, kLong.substr(8, 254 - 8), 1}, ""},
      {std::nullopt, "n", {0.0, "", 0}, ""},
      // A bad pair fails after the atom is gone, with the whole text in hand.
      {"0100000005G1", "e", {kUntouched.value, "0100000005G1", 777}, "Type mismatch"}};
  for (const auto& [name, type, after, error] : cases) {
    SCOPED_TRACE(name.value_or("unreadable") + " as " + type);
    FakeLinkTransport desktop;
    desktop.serve = [&](std::int32_t) { return desktop.NewAtom(name); };
    LinkClient link(desktop);
    Request request;
    EXPECT_EQ(ErrorText([&] { EXPECT_EQ(request.Send(link, type), 0); }), error);
    EXPECT_EQ(request.Fields(), after.Fields());
    // Each desktop's first atom is 49153, which the server hands over as -16383.
    EXPECT_EQ(desktop.deletes, (std::map<Atom, int>{{49153, 1}}));
  }
}

}  // namespace
}  // namespace veltrano
