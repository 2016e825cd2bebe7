#include "ending_signals.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <system_error>

#include "platform/error.h"

namespace veltrano::virtual_platform {

EndingSignals::EndingSignals() {
  sigset_t ending;
  sigemptyset(&ending);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending, signal);
  sigprocmask(SIG_BLOCK, &ending, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
  descriptor_ = signalfd(-1, &ending, SFD_NONBLOCK | SFD_CLOEXEC);
  if (descriptor_ < 0) {
    throw Error("cannot watch for signals: " + std::generic_category().message(errno));
  }
}

EndingSignals::~EndingSignals() {
  notifier_.reset();
  close(descriptor_);
}

void EndingSignals::Watch(std::function<void()> onArrival) {
  notifier_ = std::make_unique<QSocketNotifier>(descriptor_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated,
                   [this, onArrival = std::move(onArrival)] {
                     signalfd_siginfo arrived;
                     while (read(descriptor_, &arrived, sizeof arrived) == sizeof arrived) {
                     }
                     onArrival();
                   });
}

}  // namespace veltrano::virtual_platform
