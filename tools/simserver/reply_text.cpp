#include "reply_text.h"

#include <bit>

namespace veltrano::simserver {

namespace {

void AppendLittleEndianHex(std::string& text, std::uint64_t bits, int bytes) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  for (int i = 0; i < bytes; ++i) {
    const auto byte = static_cast<unsigned>((bits >> (8 * i)) & 0xFF);
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
  }
}

}  // namespace

std::string ReplyText(std::uint32_t header, double value, TextFault fault) {
  std::string text;
  AppendLittleEndianHex(text, header, 4);
  if (fault == TextFault::kShortText) return text;
  AppendLittleEndianHex(text, std::bit_cast<std::uint64_t>(value), 8);
  if (fault == TextFault::kBadHex) text.replace(8, 2, "G1");
  if (fault == TextFault::kOddText) text += '7';
  return text;
}

}  // namespace veltrano::simserver
