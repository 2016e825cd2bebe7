#include "link/variable_readers.h"

#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/link/fake_link_transport.h"
#include "tests/link/fake_msg_box.h"

namespace veltrano {
namespace {

using testing::FakeMsgBox;

const std::tuple<bool (VariableReaders::*)(double&), std::int32_t, std::string> kReaders[] = {
    {&VariableReaders::ReadPitch, 77, "Errore in routine BECCHEGGIO!"},
    {&VariableReaders::ReadRoll, 79, "Errore in routine ROLLIO!"},
    {&VariableReaders::ReadSlip, 70, "Errore in routine SBANDOMETRO!"},
    {&VariableReaders::ReadRpm, 135, "Errore in routine RPM!"},
    {&VariableReaders::ReadSpeed, 61, "Errore in routine SPEED!"}};

TEST(VariableReadersTest, EachStoresItsOwnFloatOrZeroAndShowsAFailureLeavingTheField) {
  for (const auto& [read, code, text] : kReaders) {
    SCOPED_TRACE(text);
    testing::FakeLinkTransport desktop;
    LinkClient link(desktop);
    FakeMsgBox boxes;
    VariableReaders readers(link, boxes);
    // Its own variable's float, then the link's own Error, then a failure of the desktop under it.
    // Other variables get a plain status answer: no value.
    int calls = 0;
    desktop.serve = [&](std::int32_t asked) -> std::int64_t {
      if (asked != code) return 3;
      if (++calls == 3) throw std::runtime_error("window message failed");
      return calls == 1 ? desktop.NewAtom(testing::FloatReplyText(-12.25)) : 40000;
    };
    const auto readInto = [&](double field) {
      const bool fromServer = (readers.*read)(field);
      return std::pair(field, fromServer);
    };
    EXPECT_EQ(readInto(3.0), std::pair(-12.25, true));
    EXPECT_EQ(readInto(17.0), std::pair(17.0, false));
    EXPECT_EQ(readInto(18.0), std::pair(18.0, false));
    desktop.serverWindow = 0;  // the server goes: no answer, and the rest of the tick asks no more
    EXPECT_EQ(readInto(3.0), std::pair(0.0, false));
    EXPECT_EQ(readInto(3.0), std::pair(0.0, false));
    EXPECT_EQ(desktop.requests.size(), 4u);
    readers.BeginTick();  // a new tick looks for the server again
    EXPECT_EQ(readInto(3.0), std::pair(0.0, false));
    EXPECT_EQ(desktop.searches, 2);
    const std::vector<FakeMsgBox::Box> expected = {
        {text + "\r\rOverflow", 16, "VELTRANO"},
        {text + "\r\rwindow message failed", 16, "VELTRANO"}};
    EXPECT_EQ(boxes.shown, expected);
  }
}

}  // namespace
}  // namespace veltrano
