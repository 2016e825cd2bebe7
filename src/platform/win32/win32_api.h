#pragma once

// The Win32 API for this project's code. windows.h makes RtlMoveMemory a macro for memmove,
// which would rewrite the link's own byte copy of that name wherever both are seen.
#include <windows.h>

#undef RtlMoveMemory
