#pragma once

#include <cstdint>
#include <string>

namespace veltrano::simserver {

// Ways of spoiling a reply, for trying out how a client copes.
enum class TextFault {
  kNone,
  kBadHex,          // the value's first pair becomes "G1"
  kOddText,         // one more digit after the value
  kShortText,       // the header alone
  kUnreadableAtom,  // the answer names an atom that does not exist
};

// The name of the reply atom: the header as a little-endian 32-bit integer and the value as a
// little-endian IEEE double, each byte as two upper-case hexadecimal digits. kUnreadableAtom
// does not touch the text.
std::string ReplyText(std::uint32_t header, double value, TextFault fault = TextFault::kNone);

}  // namespace veltrano::simserver
