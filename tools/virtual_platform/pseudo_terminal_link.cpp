#include "pseudo_terminal_link.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
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

// The mark of a live virtual-platform serving COM<n> in this directory: a lock on a hidden file
// beside the link, which goes with the process, also when it is killed. (A lock on the terminal
// would not do: a killed run's terminal number is soon another program's.)
int TakePortLock(const std::string& linkName) {
  const std::string lockName = "." + linkName + ".lock";
  const int lock = open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock < 0) throw Error("cannot create " + lockName + ": " + SystemText(errno));
  if (flock(lock, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    close(lock);
    if (error == EWOULDBLOCK) {
      throw Error(linkName +
                  " is the port of another virtual-platform that is still running; stop that "
                  "one or choose another port");
    }
    throw Error("cannot lock " + lockName + ": " + SystemText(error));
  }
  return lock;
}

// Whether there is a link to replace: with the port's lock held, a link into /dev/pts/ is left
// from a run that was killed. Raises Error for anything else that has the name.
bool MayReplace(const std::string& linkName) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(linkName, error);
  if (status.type() == fs::file_type::not_found) return false;
  const fs::path target = fs::is_symlink(status) ? fs::read_symlink(linkName, error) : fs::path();
  if (error || !target.string().starts_with("/dev/pts/")) {
    throw Error(linkName +
                " exists already and is not a link to a pseudo-terminal; not replacing it");
  }
  return true;
}

}  // namespace

PseudoTerminalLink::PseudoTerminalLink(int portNumber)
    : linkName_("COM" + std::to_string(portNumber)), lock_(TakePortLock(linkName_)) {
  try {
    const bool replace = MayReplace(linkName_);
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0) throw Error("cannot create a pseudo-terminal: " + SystemText(errno));
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
    CreateLink(replace);
  } catch (...) {
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
    close(lock_);
    throw;
  }
}

PseudoTerminalLink::~PseudoTerminalLink() {
  std::error_code error;
  if (fs::read_symlink(linkName_, error) == slavePath_ && !error) fs::remove(linkName_, error);
  close(slave_);
  close(master_);
  close(lock_);
}

void PseudoTerminalLink::CreateLink(bool replace) const {
  if (!replace) {
    if (symlink(slavePath_.c_str(), linkName_.c_str()) == 0) return;
    throw Error("cannot create the link " + linkName_ + ": " + SystemText(errno));
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
