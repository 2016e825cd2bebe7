#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "packet_stream.h"
#include "system_calls.h"

namespace veltrano::bench {

// The program's system calls while it runs: timed-veltrano under strace for `ticks` ticks, against
// the data server that is running already, its COM1 being `program` (whose arrivals it takes and
// drops). Apart from the timed run, which the tracing would slow down. Gives the reason instead
// when strace is missing or cannot trace here.
struct SystemCallPass {
  std::optional<SystemCalls> calls;
  std::string failure;
};

SystemCallPass RunSystemCallPass(PacketStream& program, std::size_t ticks);

}  // namespace veltrano::bench
