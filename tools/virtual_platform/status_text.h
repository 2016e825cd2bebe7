#pragma once

#include <string>
#include <vector>

#include "packet_splitter.h"
#include "platform_state.h"

namespace veltrano::virtual_platform {

// The platform's state in text: a status area of a few lines for a terminal, redrawn in place.
std::vector<std::string> StatusArea(const PlatformState& state,
                                    PlatformState::Clock::time_point now);

// The same in one line, for output that is not a terminal.
std::string SummaryLine(const PlatformState& state, PlatformState::Clock::time_point now);

// A line of `--print` output: the eight bytes in upper-case hexadecimal, "58 80 7F 00 80 80 03 03".
std::string HexLine(const PlatformPacket& packet);

}  // namespace veltrano::virtual_platform
