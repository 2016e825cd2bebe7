// Whatever a data server answers, a request ends in a decoded reply, a status, or one of the
// link's own errors, and the global atom that carried the reply never outlives the request.
//
// Input: 8 bytes of answer (little-endian), 1 byte choosing the atom's fate, 1 byte of type-text
// length, the type text, then the atom's name.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "link/link_protocol.h"
#include "platform/error.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/link/link_fakes.h"

namespace {

bool IsLinkErrorText(std::string_view text) {
  return text == "Overflow" || text == "Type mismatch" || text == "Subscript out of range";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 10) return 0;
  std::int64_t answer = 0;
  std::memcpy(&answer, data, sizeof answer);
  const std::uint8_t fate = data[8];
  std::size_t typeLength = data[9];
  data += 10;
  size -= 10;
  if (typeLength > size) typeLength = size;
  const std::string type(reinterpret_cast<const char*>(data), typeLength);
  const std::string name(reinterpret_cast<const char*>(data + typeLength), size - typeLength);

  veltrano::testing::FakeLinkTransport desktop;
  // Mostly the answer hands over an atom that holds the fuzzed name (or one that cannot be
  // read); otherwise the raw answer goes back as it is.
  std::optional<veltrano::Atom> handedOver;
  if (fate % 4 != 0) {
    const std::int64_t atomAnswer =
        desktop.NewAtom(fate % 4 == 3 ? std::nullopt : std::optional<std::string>(name));
    handedOver = static_cast<veltrano::Atom>(atomAnswer);
    answer = atomAnswer;
  }
  desktop.serve = [answer](std::int32_t) { return answer; };

  veltrano::LinkClient client(desktop);
  veltrano::LinkValue value;
  std::string replyText;
  std::int32_t replyHeader = 0;
  try {
    client.LinkRequest(1, type, value, replyText, replyHeader);
  } catch (const veltrano::Error& error) {
    FUZZ_CHECK(IsLinkErrorText(error.what()));
  }
  if (handedOver) {
    FUZZ_CHECK(desktop.atoms.count(*handedOver) == 0);
    FUZZ_CHECK(desktop.deletes[*handedOver] == 1);
  }
  return 0;
}
