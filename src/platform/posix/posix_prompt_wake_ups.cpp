#include "platform/prompt_wake_ups.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace veltrano {
namespace {

// The kernel's struct sched_attr, which the C library does not declare.
struct SchedAttr {
  std::uint32_t size = sizeof(SchedAttr);
  std::uint32_t policy = SCHED_OTHER;
  std::uint64_t flags = 0;
  std::int32_t nice = 0;
  std::uint32_t priority = 0;
  std::uint64_t runtime = 0;  // for SCHED_OTHER: the time slice in ns, 0 for the default
  std::uint64_t deadline = 0;
  std::uint64_t period = 0;
};

// The shortest slice the kernel takes: a tick's work between two waits is far shorter.
constexpr std::uint64_t kShortSliceNs = 100'000;

}  // namespace

void SetPromptWakeUps(bool prompt) noexcept {
  if (sched_getscheduler(0) != SCHED_OTHER) return;
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, 0);
  if (errno != 0) return;
  SchedAttr attributes;
  attributes.nice = nice;  // kept as it is: lowering it would need privileges
  attributes.runtime = prompt ? kShortSliceNs : 0;
  // An older kernel refuses the slice and keeps its default, which is all that can be had then.
  syscall(SYS_sched_setattr, 0, &attributes, 0);
}

}  // namespace veltrano
