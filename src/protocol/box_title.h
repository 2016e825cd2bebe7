#pragma once

#include <string_view>

namespace veltrano {

// The title of every message box the program shows: the program's name as its users know it.
inline constexpr std::string_view kBoxTitle = "VELTRANO";

}  // namespace veltrano
