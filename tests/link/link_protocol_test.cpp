#include "link/link_protocol.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/error.h"
#include "tests/link/fake_link_transport.h"

namespace veltrano {
namespace {

using testing::FakeLinkTransport;

// Values the caller's variables hold before a request, to see whether it touched them.
const LinkValue kValueBefore = 42.5;
const std::string kTextBefore = "before";
constexpr std::int32_t kHeaderBefore = 777;

struct Request {
  LinkValue value = kValueBefore;
  std::string replyText = kTextBefore;
  std::int32_t replyHeader = kHeaderBefore;

  std::int16_t Send(LinkClient& link, std::string_view type = "n", std::int32_t code = 77) {
    return link.LinkRequest(code, type, value, replyText, replyHeader);
  }
  void ExpectUntouched() const {
    EXPECT_EQ(value, kValueBefore);
    EXPECT_EQ(replyText, kTextBefore);
    EXPECT_EQ(replyHeader, kHeaderBefore);
  }
};

std::string ErrorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return "";
}

TEST(HexToBytesTest, DecodesPairsUntilTheFirstBadOne) {
  struct Case {
    std::string text;
    std::vector<std::uint8_t> after;  // the buffer starts as 0xEE bytes, as many as `after` has
    std::string error;
  };
  const Case cases[] = {
      {"0aFf", {0x0A, 0xFF, 0xEE}, ""},
      {"Ab7", {0xAB, 0xEE, 0xEE}, ""},  // an odd last character is ignored
      {"12G1", {0x12, 0xEE, 0xEE}, "Type mismatch"},
      {"-1", {0xEE, 0xEE, 0xEE}, "Type mismatch"},
      {"AABBC", {0xAA, 0xBB}, ""},
      {"AABBCC", {0xAA, 0xBB}, "Subscript out of range"},
      {"AAZZ", {0xAA}, "Subscript out of range"},  // the position is checked before the digits
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> buffer(c.after.size(), 0xEE);
    EXPECT_EQ(ErrorText([&] { HexToBytes(c.text, buffer); }), c.error) << c.text;
    EXPECT_EQ(buffer, c.after) << c.text;
  }
}

TEST(LinkConnectTest, LooksUpWhatIsMissingUntilBothAreKnown) {
  FakeLinkTransport desktop;
  desktop.messageId = 0;
  desktop.serverWindow = 0;
  LinkClient link(desktop);
  EXPECT_FALSE(link.LinkConnect());
  desktop.messageId = 0xC0DE;
  EXPECT_FALSE(link.LinkConnect());
  desktop.serverWindow = 0x2A;
  EXPECT_TRUE(link.LinkConnect());
  EXPECT_TRUE(link.LinkConnect());
  EXPECT_EQ(desktop.registrations, 2);
  EXPECT_EQ(desktop.searches, 3);
}

TEST(LinkRequestTest, PlainAnswerIsTheStatusOrAnOverflowAndOnlyZeroForgetsTheWindow) {
  struct Case {
    std::int64_t answer;
    std::int16_t status;  // -1: none, the request raised `error`
    std::string error;
    int searches;  // after two requests
  };
  // 49153 is an atom's number sent unsigned; 2^32 - 1 would pass a 32-bit truncation as -1.
  const Case cases[] = {{0, 1, "", 2},
                        {1, 1, "", 1},
                        {7, 7, "", 1},
                        {32767, 32767, "", 1},
                        {32768, -1, "Overflow", 1},
                        {49153, -1, "Overflow", 1},
                        {-32769, -1, "Overflow", 1},
                        {4294967295LL, -1, "Overflow", 1}};
  for (const Case& c : cases) {
    FakeLinkTransport desktop;
    // A request for any other variable would get an atom, and so change the caller's variables.
    desktop.serve = [&](std::int32_t code) { return code == 135 ? c.answer : -1; };
    LinkClient link(desktop);
    for (int i = 0; i < 2; ++i) {
      Request request;
      std::int16_t status = -1;
      EXPECT_EQ(ErrorText([&] { status = request.Send(link, "e", 135); }), c.error) << c.answer;
      EXPECT_EQ(status, c.status) << c.answer;
      request.ExpectUntouched();
    }
    EXPECT_EQ(desktop.searches, c.searches) << c.answer;
    EXPECT_EQ(desktop.registrations, 1) << "the message id stays known";
  }
}

const std::string kOne = "00000000000000000000F03F";  // header 0, 1.0
const std::string kFive = "0100000005000000";         // header 1, 5
// Only 254 characters fit beside the terminator in the client's buffer.
const std::string kLong = kFive + std::string(300 - kFive.size(), '0');

TEST(LinkRequestTest, AtomReplyIsDecodedAndTheAtomDeletedOnEveryPath) {
  struct Case {
    std::optional<std::string> name;  // none: the atom cannot be read
    std::string type;
    std::int32_t header;
    LinkValue value;
    std::string replyText;
    std::string error;
  };
  const Case cases[] = {
      {kOne, "n", 0, 1.0, "000000000000F03F", ""},
      {kOne, "N", 0, 1.0, "000000000000F03F", ""},
      {kFive, "e", 1, std::int32_t{5}, "05000000", ""},
      {kFive, "x", 1, kValueBefore, "05000000", ""},  // an unknown type leaves the value
      {kFive, "nb", 1, kValueBefore, "05000000", ""},
      {"FEFFFFFFFBFFFFFF", "e", -2, std::int32_t{-5}, "FBFFFFFF", ""},
      {"01000000", "n", 1, 0.0, "", ""},  // a short text leaves the missing bytes zero
      {kLong, "e", 1, std::int32_t{5}, kLong.substr(8, 254 - 8), ""},
      {std::nullopt, "n", 0, 0.0, "", ""},
      // A bad pair fails after the atom is gone, with the whole text in hand.
      {"0100000005G1", "e", kHeaderBefore, kValueBefore, "0100000005G1", "Type mismatch"},
  };
  // Each desktop's first atom is 49153, so the server answers -16383.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.value_or("unreadable") + " as " + c.type);
    FakeLinkTransport desktop;
    desktop.serve = [&](std::int32_t) { return desktop.NewAtom(c.name); };
    LinkClient link(desktop);
    Request request;
    EXPECT_EQ(ErrorText([&] { EXPECT_EQ(request.Send(link, c.type), 0); }), c.error);
    EXPECT_EQ(request.replyHeader, c.header);
    EXPECT_EQ(request.value, c.value);
    EXPECT_EQ(request.replyText, c.replyText);
    EXPECT_TRUE(desktop.atoms.empty());
  }
}

}  // namespace
}  // namespace veltrano
