#include "signal_stopper.h"

#include <pthread.h>
#include <signal.h>

namespace veltrano::simserver {

namespace {

sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  return signals;
}

}  // namespace

void SignalStopper::BlockStopSignals() {
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

SignalStopper::SignalStopper(std::function<void()> stop)
    : stop_(std::move(stop)), waiter_([this] {
        const sigset_t signals = StopSignals();
        int signal = 0;
        while (sigwait(&signals, &signal) != 0) {
        }
        stop_();
      }) {}

SignalStopper::~SignalStopper() {
  // The program is ending without a signal: one aimed at the waiter alone lets it go. Stopping
  // what has stopped already does no harm.
  pthread_kill(waiter_.native_handle(), SIGTERM);
  waiter_.join();
}

}  // namespace veltrano::simserver
