// The port box and the settings file take whole numbers from anything a person types or a file
// holds: a number that is accepted must read back as itself when written out again.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "panel/whole_number.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto number = veltrano::ParseWholeNumber(text);
  if (!number) return 0;
  FUZZ_CHECK(veltrano::ParseWholeNumber(std::to_string(*number)) == number);
  // Only blanks, a sign and digits make a number; anything else must have been refused.
  FUZZ_CHECK(text.find_first_not_of(" \t+-0123456789") == std::string_view::npos);
  return 0;
}
