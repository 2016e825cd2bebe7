// Stands in for the motion platform's controller on a serial line, so that the control program
// can be run and watched without the hardware. See UsageText() in options.cpp.

#include <stdlib.h>

#include <QApplication>
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "ending_signals.h"
#include "line_session.h"
#include "options.h"
#include "platform/error.h"
#include "platform_state.h"
#include "platform_window.h"
#include "pseudo_terminal_link.h"
#include "version.h"

namespace veltrano::virtual_platform {
namespace {

int Run(const Options& options, int& argc, char** argv) {
  EndingSignals endingSignals;  // before Qt starts any thread
  const bool window = !options.print || options.picture;
  // A picture is drawn offscreen, with or without a display.
  if (options.picture) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const std::unique_ptr<QCoreApplication> application =
      window ? std::make_unique<QApplication>(argc, argv)
             : std::make_unique<QCoreApplication>(argc, argv);
  endingSignals.Watch([] { QCoreApplication::quit(); });

  const PseudoTerminalLink link(options.port);
  std::printf("virtual-platform ready: %s -> %s\n", link.LinkName().c_str(),
              link.SlavePath().c_str());
  std::fflush(stdout);
  PlatformState state;
  LineSession session(options, link, state);
  std::unique_ptr<PlatformWindow> view;
  if (window) {
    view = std::make_unique<PlatformWindow>(state, "virtual platform on " + link.LinkName());
    view->show();
  }

  const int status = application->exec();
  session.RethrowFailure();
  if (options.picture) view->SavePicture(*options.picture);
  session.Finish();
  return status;
}

}  // namespace
}  // namespace veltrano::virtual_platform

int main(int argc, char** argv) {
  using namespace veltrano::virtual_platform;
  const std::vector<std::string> args(argv + 1, argv + argc);
  Options options;
  try {
    options = ParseOptions(args);
  } catch (const veltrano::Error& error) {
    std::fprintf(stderr, "virtual-platform: %s\nTry 'virtual-platform --help'.\n", error.what());
    return 2;
  }
  if (options.help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("virtual-platform %s\n", veltrano::kVersion);
    return 0;
  }
  try {
    return Run(options, argc, argv);
  } catch (const veltrano::Error& error) {
    std::fprintf(stderr, "virtual-platform: %s\n", error.what());
    return 1;
  }
}
