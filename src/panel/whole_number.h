#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace veltrano {

// A whole decimal number in -32768..32767, with an optional sign and blanks around it; nothing
// for anything else (empty text, letters, a fraction, a number out of range).
std::optional<std::int16_t> ParseWholeNumber(std::string_view text);

}  // namespace veltrano
