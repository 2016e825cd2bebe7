#include "pseudo_terminal_link.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/error.h"

namespace veltrano::virtual_platform {
namespace {

namespace fs = std::filesystem;

std::string SystemText(int error) { return std::system_category().message(error); }

// A link that an earlier run left behind when it was killed: it leads into /dev/pts/ and its
// terminal is gone. Anything else at that name belongs to someone and stays.
bool IsStaleTerminalLink(const fs::path& link) {
  std::error_code error;
  if (!fs::is_symlink(fs::symlink_status(link, error))) return false;
  const fs::path target = fs::read_symlink(link, error);
  if (error || !target.string().starts_with("/dev/pts/")) return false;
  return fs::symlink_status(target, error).type() == fs::file_type::not_found;
}

}  // namespace

PseudoTerminalLink::PseudoTerminalLink(int portNumber)
    : linkName_("COM" + std::to_string(portNumber)) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0) throw Error("cannot create a pseudo-terminal: " + SystemText(errno));
  try {
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
      throw Error("cannot unlock the pseudo-terminal: " + SystemText(errno));
    }
    char path[256];
    if (const int error = ptsname_r(master_, path, sizeof path); error != 0) {
      throw Error("cannot name the pseudo-terminal: " + SystemText(error));
    }
    slavePath_ = path;
    slave_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) throw Error("cannot open " + slavePath_ + ": " + SystemText(errno));

    // Raw: no echo, no line editing and no translation of any byte in either direction. The
    // program under test sets its own line, and its close gives this back.
    termios line{};
    if (tcgetattr(slave_, &line) != 0) {
      throw Error("cannot read the line of " + slavePath_ + ": " + SystemText(errno));
    }
    cfmakeraw(&line);
    if (tcsetattr(slave_, TCSANOW, &line) != 0) {
      throw Error("cannot set the line of " + slavePath_ + ": " + SystemText(errno));
    }
    CreateLink();
  } catch (...) {
    if (slave_ >= 0) close(slave_);
    close(master_);
    throw;
  }
}

PseudoTerminalLink::~PseudoTerminalLink() {
  std::error_code error;
  if (fs::read_symlink(linkName_, error) == slavePath_ && !error) fs::remove(linkName_, error);
  close(slave_);
  close(master_);
}

void PseudoTerminalLink::CreateLink() const {
  if (symlink(slavePath_.c_str(), linkName_.c_str()) == 0) return;
  if (errno != EEXIST) {
    throw Error("cannot create the link " + linkName_ + ": " + SystemText(errno));
  }
  if (!IsStaleTerminalLink(linkName_)) {
    throw Error(linkName_ +
                " exists already and is not a link left by an earlier run; not replacing it");
  }
  // Replaced in one step, so that the name never leads nowhere.
  const std::string fresh = "." + linkName_ + "." + std::to_string(getpid());
  if (symlink(slavePath_.c_str(), fresh.c_str()) != 0 ||
      rename(fresh.c_str(), linkName_.c_str()) != 0) {
    const int error = errno;
    unlink(fresh.c_str());
    throw Error("cannot replace the link " + linkName_ + ": " + SystemText(error));
  }
}

}  // namespace veltrano::virtual_platform
