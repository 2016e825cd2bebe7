#pragma once

#include <string>

namespace veltrano::virtual_platform {

// A pseudo-terminal in raw mode, its slave end linked as COM<n> in the working directory, where
// the program under test finds its serial port. Its own slave descriptor stays open for its whole
// life, so the master end never sees a hang-up when that program closes and reopens the port.
class PseudoTerminalLink {
 public:
  // Raises veltrano::Error when no pseudo-terminal can be had, when another live virtual-platform
  // serves COM<n> in this directory, or when COM<n> exists and is not a link into /dev/pts/. A
  // link left behind by an earlier run that was killed is replaced.
  explicit PseudoTerminalLink(int portNumber);
  // Removes the link, if it still leads to this pseudo-terminal.
  ~PseudoTerminalLink();
  PseudoTerminalLink(const PseudoTerminalLink&) = delete;
  PseudoTerminalLink& operator=(const PseudoTerminalLink&) = delete;

  // The end that receives what the program under test writes; non-blocking.
  int Master() const { return master_; }
  const std::string& LinkName() const { return linkName_; }
  const std::string& SlavePath() const { return slavePath_; }

 private:
  void CreateLink(bool replace) const;

  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
  std::string linkName_;
  int lock_ = -1;  // held for the whole run: see TakePortLock
};

}  // namespace veltrano::virtual_platform
