#include "link/link_protocol.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/error.h"
#include "tests/link/fake_link_transport.h"

namespace veltrano {
namespace {

using testing::FakeLinkTransport;
using Reply = FakeLinkTransport::Reply;

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

// ---- HexToBytes ----

struct HexCase {
  std::string text;
  std::size_t bufferSize;
  std::vector<std::uint8_t> bufferAfter;  // the buffer starts filled with 0xEE
  std::string error;
};

void PrintTo(const HexCase& c, std::ostream* out) {
  *out << "\"" << c.text << "\" into " << c.bufferSize;
}

class HexToBytesTest : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexToBytesTest, DecodesPairsInPlace) {
  const HexCase& c = GetParam();
  std::vector<std::uint8_t> buffer(c.bufferSize, 0xEE);
  EXPECT_EQ(ErrorText([&] { HexToBytes(c.text, buffer); }), c.error);
  EXPECT_EQ(buffer, c.bufferAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HexToBytesTest,
    ::testing::Values(HexCase{"", 3, {0xEE, 0xEE, 0xEE}, ""},
                      HexCase{"0aFf", 3, {0x0A, 0xFF, 0xEE}, ""},
                      HexCase{"Ab7", 3, {0xAB, 0xEE, 0xEE}, ""},  // odd last character ignored
                      HexCase{"12G1", 3, {0x12, 0xEE, 0xEE}, "Type mismatch"},
                      HexCase{"1234 1", 3, {0x12, 0x34, 0xEE}, "Type mismatch"},
                      HexCase{"-1", 3, {0xEE, 0xEE, 0xEE}, "Type mismatch"},
                      HexCase{"0x", 3, {0xEE, 0xEE, 0xEE}, "Type mismatch"},
                      HexCase{"AABBC", 2, {0xAA, 0xBB}, ""},
                      HexCase{"AABBCC", 2, {0xAA, 0xBB}, "Subscript out of range"},
                      // The position check comes before the digits are looked at.
                      HexCase{"AAZZ", 1, {0xAA}, "Subscript out of range"}));

// ---- LinkConnect ----

TEST(LinkConnectTest, LooksUpOnceAndThenAnswersFromTheCache) {
  FakeLinkTransport desktop;
  LinkClient link(desktop);
  EXPECT_TRUE(link.LinkConnect());
  EXPECT_TRUE(link.LinkConnect());
  EXPECT_EQ(desktop.registeredNames, std::vector<std::string>{"WM_FSCONNECT"});
  EXPECT_EQ(desktop.searchedClasses, std::vector<std::string>{"FSCONNECT8"});
}

TEST(LinkConnectTest, KeepsLookingWhileTheServerIsMissing) {
  FakeLinkTransport desktop;
  desktop.serverWindow = 0;
  LinkClient link(desktop);
  EXPECT_FALSE(link.LinkConnect());
  EXPECT_FALSE(link.LinkConnect());
  EXPECT_EQ(desktop.searchedClasses.size(), 2u);
  desktop.serverWindow = 0x51;
  EXPECT_TRUE(link.LinkConnect());
  EXPECT_EQ(desktop.searchedClasses.size(), 3u);
}

TEST(LinkConnectTest, RetriesTheMessageIdUntilItIsGiven) {
  FakeLinkTransport desktop;
  desktop.messageId = 0;
  LinkClient link(desktop);
  EXPECT_FALSE(link.LinkConnect());
  desktop.messageId = 0xC0DE;
  EXPECT_TRUE(link.LinkConnect());
  EXPECT_EQ(desktop.registeredNames.size(), 2u);
  EXPECT_EQ(desktop.searchedClasses.size(), 2u);
}

// ---- LinkRequest: answers that are not atoms ----

TEST(LinkRequestTest, NoServerGivesOneAndSendsNothing) {
  FakeLinkTransport desktop;
  desktop.serverWindow = 0;
  LinkClient link(desktop);
  Request request;
  EXPECT_EQ(request.Send(link), 1);
  request.ExpectUntouched();
  EXPECT_TRUE(desktop.sent.empty());
}

struct StatusCase {
  std::int64_t answer;
  std::int16_t status;
};

void PrintTo(const StatusCase& c, std::ostream* out) { *out << "answer " << c.answer; }

class LinkStatusTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(LinkStatusTest, PlainAnswerBecomesStatusAndDecodesNothing) {
  FakeLinkTransport desktop;
  desktop.QueueReply(Reply::Answer(GetParam().answer));
  LinkClient link(desktop);
  Request request;
  EXPECT_EQ(request.Send(link, "n", 135), GetParam().status);
  request.ExpectUntouched();
  ASSERT_EQ(desktop.sent.size(), 1u);
  EXPECT_EQ(desktop.sent[0].window, desktop.serverWindow);
  EXPECT_EQ(desktop.sent[0].message, desktop.messageId);
  EXPECT_EQ(desktop.sent[0].wParam, 1u);
  EXPECT_EQ(desktop.sent[0].lParam, 135);
  EXPECT_TRUE(desktop.nameReads.empty());
}

INSTANTIATE_TEST_SUITE_P(Answers, LinkStatusTest,
                         ::testing::Values(StatusCase{0, 1}, StatusCase{1, 1}, StatusCase{7, 7},
                                           StatusCase{32767, 32767}));

class LinkOverflowTest : public ::testing::TestWithParam<std::int64_t> {};

TEST_P(LinkOverflowTest, AnswerBeyondSixteenBitsIsAnOverflow) {
  FakeLinkTransport desktop;
  desktop.QueueReply(Reply::Answer(GetParam()));
  LinkClient link(desktop);
  Request request;
  EXPECT_EQ(ErrorText([&] { request.Send(link); }), "Overflow");
  request.ExpectUntouched();
  EXPECT_TRUE(desktop.nameReads.empty());
  EXPECT_TRUE(desktop.deleteCalls.empty());
}

// 49153 is an atom's number sent unsigned; 2^32 - 1 would pass a 32-bit truncation as -1.
INSTANTIATE_TEST_SUITE_P(Answers, LinkOverflowTest,
                         ::testing::Values(32768, 49153, -32769, 4294967295LL));

// ---- LinkRequest: atom replies ----

struct AtomCase {
  std::string name;
  std::string type;
  std::int32_t header;
  LinkValue value;
  std::string replyText;
};

void PrintTo(const AtomCase& c, std::ostream* out) { *out << "\"" << c.name << "\" as " << c.type; }

class LinkAtomReplyTest : public ::testing::TestWithParam<AtomCase> {};

TEST_P(LinkAtomReplyTest, DecodesHeaderValueAndText) {
  const AtomCase& c = GetParam();
  FakeLinkTransport desktop;
  desktop.QueueReply(Reply::NewAtom(c.name));
  LinkClient link(desktop);
  Request request;
  EXPECT_EQ(request.Send(link, c.type), 0);
  EXPECT_EQ(request.replyHeader, c.header);
  EXPECT_EQ(request.value, c.value);
  EXPECT_EQ(request.replyText, c.replyText);
  EXPECT_EQ(desktop.nameBufferSizes, std::vector<int>{255});
  EXPECT_EQ(desktop.deleteCalls.size(), 1u);
  EXPECT_EQ(desktop.LiveAtoms(), 0u);
}

const std::string kOne = "00000000000000000000F03F";  // header 0, 1.0
const std::string kFive = "0100000005000000";         // header 1, 5

INSTANTIATE_TEST_SUITE_P(
    Replies, LinkAtomReplyTest,
    ::testing::Values(AtomCase{kOne, "n", 0, 1.0, "000000000000F03F"},
                      AtomCase{kOne, "N", 0, 1.0, "000000000000F03F"},
                      AtomCase{kOne, "b", 0, 1.0, "000000000000F03F"},
                      AtomCase{kFive, "e", 1, std::int32_t{5}, "05000000"},
                      AtomCase{kFive, "F", 1, std::int32_t{5}, "05000000"},
                      AtomCase{kFive, "d", 1, std::int32_t{5}, "05000000"},
                      AtomCase{kFive, "o", 1, std::int32_t{5}, "05000000"},
                      AtomCase{kFive, "p", 1, std::int32_t{5}, "05000000"},
                      // Unknown types, compared as a whole: the header and text still come through.
                      AtomCase{kFive, "x", 1, kValueBefore, "05000000"},
                      AtomCase{kFive, "nb", 1, kValueBefore, "05000000"},
                      AtomCase{kFive, "", 1, kValueBefore, "05000000"},
                      // A short text leaves the missing bytes zero.
                      AtomCase{"01000000", "n", 1, 0.0, ""},
                      AtomCase{"010000000", "n", 1, 0.0, "0"},
                      AtomCase{"0100000005000000F", "e", 1, std::int32_t{5}, "05000000F"},
                      // Signed, least significant byte first.
                      AtomCase{"FEFFFFFFFBFFFFFF", "e", -2, std::int32_t{-5}, "FBFFFFFF"},
                      AtomCase{"00000180000000000000F0BF", "n", -2147418112, -1.0,
                               "000000000000F0BF"}));

TEST(LinkRequestTest, NegativeAnswerIsTheAtomsLowSixteenBits) {
  FakeLinkTransport desktop;
  desktop.AddAtom(49153, kFive);
  desktop.QueueReply(Reply::Answer(-16383));
  LinkClient link(desktop);
  Request request;
  EXPECT_EQ(request.Send(link, "e"), 0);
  EXPECT_EQ(request.value, LinkValue{std::int32_t{5}});
  EXPECT_EQ(desktop.nameReads, std::vector<Atom>{49153});
  EXPECT_EQ(desktop.deleteCalls, std::vector<Atom>{49153});
}

TEST(LinkRequestTest, NameIsReadIntoABufferOf255Characters) {
  const std::string name = kFive + std::string(300 - kFive.size(), '0');
  FakeLinkTransport desktop;
  desktop.QueueReply(Reply::NewAtom(name));
  LinkClient link(desktop);
  Request request;
  EXPECT_EQ(request.Send(link, "e"), 0);
  // 254 characters fit beside the terminator; the text is cut after the header.
  EXPECT_EQ(request.replyText, name.substr(8, 254 - 8));
}

TEST(LinkRequestTest, UnreadableAtomDecodesAsAnEmptyText) {
  for (const auto& [type, zero] :
       {std::pair<std::string, LinkValue>{"n", 0.0}, {"e", std::int32_t{0}}}) {
    FakeLinkTransport desktop;
    desktop.QueueReply(Reply::UnreadableAtom());
    LinkClient link(desktop);
    Request request;
    EXPECT_EQ(request.Send(link, type), 0);
    EXPECT_EQ(request.replyHeader, 0);
    EXPECT_EQ(request.value, zero);
    EXPECT_EQ(request.replyText, "");
    EXPECT_EQ(desktop.LiveAtoms(), 0u) << "the unreadable atom must still be deleted";
  }
}

TEST(LinkRequestTest, TextThatDoesNotDecodeFailsAfterTheAtomIsGone) {
  FakeLinkTransport desktop;
  desktop.QueueReply(Reply::NewAtom("0100000005G1"));
  LinkClient link(desktop);
  Request request;
  EXPECT_EQ(ErrorText([&] { request.Send(link, "e"); }), "Type mismatch");
  EXPECT_EQ(desktop.deleteCalls.size(), 1u);
  EXPECT_EQ(desktop.LiveAtoms(), 0u);
  EXPECT_EQ(request.replyText, "0100000005G1");
  EXPECT_EQ(request.value, kValueBefore);
  EXPECT_EQ(request.replyHeader, kHeaderBefore);
}

// ---- Finding the server again ----

TEST(LinkRequestTest, ServerThatStopsAnsweringIsLookedForAgain) {
  FakeLinkTransport desktop;
  desktop.SetReply(61, Reply::NewAtom(kOne));
  LinkClient link(desktop);
  Request first;
  ASSERT_EQ(first.Send(link, "n", 61), 0);

  // The server exits and starts again under a new window.
  const WindowHandle oldWindow = desktop.serverWindow;
  desktop.serverWindow = 0x99;
  Request second;
  EXPECT_EQ(second.Send(link, "n", 61), 1);
  second.ExpectUntouched();
  EXPECT_EQ(desktop.sent.back().window, oldWindow);

  Request third;
  EXPECT_EQ(third.Send(link, "n", 61), 0);
  EXPECT_EQ(third.value, LinkValue{1.0});
  EXPECT_EQ(desktop.sent.back().window, 0x99u);
  EXPECT_EQ(desktop.searchedClasses.size(), 2u);
  EXPECT_EQ(desktop.registeredNames.size(), 1u) << "the message id stays known";
}

TEST(LinkRequestTest, StatusAnswerKeepsTheServerWindow) {
  FakeLinkTransport desktop;
  desktop.SetReply(77, Reply::Answer(7));
  LinkClient link(desktop);
  Request request;
  EXPECT_EQ(request.Send(link), 7);
  EXPECT_EQ(request.Send(link), 7);
  EXPECT_EQ(desktop.searchedClasses.size(), 1u);
}

}  // namespace
}  // namespace veltrano
