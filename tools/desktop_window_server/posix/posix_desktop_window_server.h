#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "desktop_window_server/desktop_window_server.h"
#include "desktop_window_server/posix/posix_atom_table.h"
#include "platform/posix/posix_desktop_window_protocol.h"
#include "platform/posix/posix_socket_io.h"

namespace veltrano {

// The Linux server: serves the window class and the global atoms to any number of clients at once
// over the wire format of posix_desktop_window_protocol.h. An atom that an answer hands to a client
// belongs to that client until it deletes it: a client that goes without doing so (it gave up
// waiting for the answer, or died) can never name it again, so the server deletes it then. Other
// atoms that nobody deletes stay in the table and are counted. With a frame schedule, each
// boundary answers the one message that each client has waiting then, with the client's later
// requests behind it.
class PosixDesktopWindowServer final : public DesktopWindowServer {
 public:
  PosixDesktopWindowServer(std::string_view className, Handler handler,
                           FrameSchedule* frames = nullptr);
  ~PosixDesktopWindowServer() override;
  PosixDesktopWindowServer(const PosixDesktopWindowServer&) = delete;
  PosixDesktopWindowServer& operator=(const PosixDesktopWindowServer&) = delete;

  void Run() override;
  void Stop() noexcept override;
  Atom AddAtom(std::string_view name) override;
  Atom UnusedAtom() const override;
  std::optional<std::string> AtomName(Atom atom) const override;
  std::size_t LiveAtoms() const override;

 private:
  struct Client;

  void AcceptClients(std::vector<Client>& clients);
  // Reads what the client sent and answers the complete requests that may be answered now; false
  // when it is done.
  bool Receive(Client& client);
  // Answers the client's requests in order, up to `messages` window messages among them.
  bool HandleRequests(Client& client, std::size_t messages);
  // How many window messages of a client may be answered outside a frame boundary.
  std::size_t MessagesBetweenBoundaries() const;
  bool Flush(Client& client);
  void AnswerAtomName(Client& client, Atom atom);
  // The atom that an answer names, when it is one that exists.
  std::optional<Atom> LiveAtomIn(std::int64_t result) const;
  void DeleteUnclaimedAtoms(Client& client);

  std::string className_;
  Handler handler_;
  FrameSchedule* frames_;
  UniqueFd listener_;
  UniqueFd wake_;  // an eventfd: readable once Stop has been called
  mutable std::mutex atomsMutex_;
  AtomTable atoms_;
};

}  // namespace veltrano
