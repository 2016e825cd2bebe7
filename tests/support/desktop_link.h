#pragma once

#include <cstddef>

#include "platform/posix/desktop_window_link.h"

namespace veltrano::testing {

// The desktop transport that the link client uses on this system.
using DesktopLink = DesktopWindowLink;

inline std::size_t OpenConnections(const DesktopLink& link) { return link.OpenConnections(); }

}  // namespace veltrano::testing
