#pragma once

#include <array>
#include <cstdint>

#include "protocol/platform_packet_layout.h"

namespace veltrano {

using PlatformPacket = std::array<std::uint8_t, kPlatformPacketSize>;

}  // namespace veltrano
