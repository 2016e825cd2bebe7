// simserver's command line: any words either make options or are refused with a usage error.
// Input: the words, separated by NUL bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> words(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '\0') {
      words.emplace_back();
    } else {
      words.back() += static_cast<char>(data[i]);
    }
  }
  try {
    veltrano::simserver::ParseOptions(words);
  } catch (const veltrano::simserver::UsageError&) {
  }
  return 0;
}
