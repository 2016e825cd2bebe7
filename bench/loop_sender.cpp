// The reference sender's work done the program's way: the same packet every 50 ms, written from
// the handler of the program's own tick timer (QtTimer, on its deadline alarm) in a QApplication
// on the program's platform. What it costs is the least that the program's event loop, timer and
// write cost, before the tick reads a value or computes a cue.
//   loop-sender DEVICE COUNT
// Standard output, once done: "cpu NS", the processor time taken from the timer's start on.

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QObject>
#include <cstdio>
#include <cstdlib>

#include "platform/qt/qt_timer.h"
#include "reference_packet.h"

int main(int argc, char** argv) {
  using veltrano::bench::kReferencePacket;
  using veltrano::bench::ProcessCpuNs;
  if (argc != 3 || std::atol(argv[2]) < 1) {
    std::fputs("usage: loop-sender DEVICE COUNT\n", stderr);
    return 2;
  }
  const long count = std::atol(argv[2]);
  const int device = open(argv[1], O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (device < 0) {
    std::perror(argv[1]);
    return 1;
  }
  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  QObject owner;
  veltrano::QtTimer timer(&owner, "Timer1", 50);
  long sent = 0;
  timer.OnTimer([&] {
    const bool written = write(device, kReferencePacket.data(), kReferencePacket.size()) ==
                         static_cast<ssize_t>(kReferencePacket.size());
    if (!written) std::perror("write");
    if (!written || ++sent == count) {
      timer.SetEnabled(false);
      QApplication::exit(written ? 0 : 1);
    }
  });
  const long long cpuAtStart = ProcessCpuNs();
  timer.SetEnabled(true);
  const int status = QApplication::exec();
  close(device);
  if (status != 0) return status;
  std::printf("cpu %lld\n", ProcessCpuNs() - cpuAtStart);
  return 0;
}
