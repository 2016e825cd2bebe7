#pragma once

#include <cstddef>

#ifdef _WIN32
#include "platform/win32/win32_link_transport.h"
#else
#include "platform/posix/posix_link_transport.h"
#endif

namespace veltrano::testing {

// The desktop transport that the link client uses on the system built for, and the connections
// it holds open: the desktop's own messages hold none.
#ifdef _WIN32
using DesktopLink = Win32LinkTransport;
inline std::size_t OpenConnections(const DesktopLink& /*link*/) { return 0; }
#else
using DesktopLink = PosixLinkTransport;
inline std::size_t OpenConnections(const DesktopLink& link) { return link.OpenConnections(); }
#endif

}  // namespace veltrano::testing
