#pragma once

#include <cstddef>

#include "platform/win32/win32_link_transport.h"

namespace veltrano::testing {

// The desktop transport that the link client uses on this system.
using DesktopLink = Win32LinkTransport;

// The desktop's own messages hold no connections.
inline std::size_t OpenConnections(const DesktopLink& /*link*/) { return 0; }

}  // namespace veltrano::testing
