#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "desktop_window_server/desktop_window_server.h"
#include "desktop_window_server/posix/posix_atom_table.h"
#include "platform/error.h"
#include "platform/posix/posix_desktop_window_protocol.h"
#include "platform/posix/posix_socket_io.h"

namespace veltrano {

// The Linux server: serves the window class and the global atoms to any number of clients at once
// over the wire format of posix_desktop_window_protocol.h. An atom that an answer hands to a client
// belongs to that client until it deletes it: a client that goes without doing so (it gave up
// waiting for the answer, or died) can never name it again, so the server deletes it then. Other
// atoms that nobody deletes stay in the table and are counted. A client may send requests without
// waiting for the answers to those before: they are answered in order, and the answers to what
// came together go back together. With a frame schedule, each boundary answers every message that
// each client has sent by then, as a window's message loop handles every message that waits.
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
  // Takes the client's first request, which must be the version handshake: false when the
  // client is refused.
  bool Greet(Client& client, std::span<const std::uint8_t> hello);
  void DeleteUnclaimedAtoms(Client& client);

  std::string className_;
  Handler handler_;
  FrameSchedule* frames_;
  UniqueFd listener_;
  UniqueFd wake_;  // an eventfd: readable once Stop has been called
  mutable std::mutex atomsMutex_;
  AtomTable atoms_;
};

namespace dw = desktop_window;

namespace {

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

constexpr std::size_t kAnyNumber = std::numeric_limits<std::size_t>::max();

// Answers held for a client before it has read them; past this, its requests wait until it reads.
constexpr std::size_t kMaxOutputHeld = 16 * 1024;

// The wait of one poll until `boundary`; none without a boundary, so poll waits for events alone.
std::optional<timespec> WaitUntil(const std::optional<FrameSchedule::TimePoint>& boundary) {
  if (!boundary) return std::nullopt;
  const auto left = std::max(*boundary - std::chrono::steady_clock::now(),
                             std::chrono::steady_clock::duration::zero());
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
  return timespec{
      .tv_sec = static_cast<time_t>(seconds.count()),
      .tv_nsec = static_cast<long>(
          std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds).count())};
}

}  // namespace

struct PosixDesktopWindowServer::Client {
  UniqueFd socket;
  std::vector<std::uint8_t> input;   // received, not yet handled
  std::vector<std::uint8_t> output;  // answered, not yet sent
  std::vector<Atom> unclaimed;       // atoms of its answers that it has not deleted yet
  bool greeted = false;              // the version handshake is done
  bool hung = false;                 // the handler never returned for this client
  bool finished = false;             // closed by the client, broken, or told off
};

std::uint32_t ServerMessageId(std::string_view name) { return desktop_window::MessageIdFor(name); }

std::unique_ptr<DesktopWindowServer> NewDesktopWindowServer(std::string_view className,
                                                            DesktopWindowServer::Handler handler,
                                                            FrameSchedule* frames) {
  return std::make_unique<PosixDesktopWindowServer>(className, std::move(handler), frames);
}

PosixDesktopWindowServer::PosixDesktopWindowServer(std::string_view className, Handler handler,
                                                   FrameSchedule* frames)
    : className_(className), handler_(std::move(handler)), frames_(frames) {
  const dw::WindowAddress address = dw::AddressOf(className);
  listener_ = UniqueFd(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!listener_.Valid()) throw Error(SystemError("Cannot create a socket"));
  if (bind(listener_.Get(), reinterpret_cast<const sockaddr*>(&address.address), address.length) !=
      0) {
    if (errno == EADDRINUSE) {
      throw Error("Another server already owns the window class " + className_);
    }
    throw Error(SystemError("Cannot own the window class " + className_));
  }
  if (listen(listener_.Get(), SOMAXCONN) != 0) throw Error(SystemError("Cannot listen"));
  wake_ = UniqueFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!wake_.Valid()) throw Error(SystemError("Cannot create an eventfd"));
}

PosixDesktopWindowServer::~PosixDesktopWindowServer() = default;

void PosixDesktopWindowServer::Stop() noexcept {
  const std::uint64_t one = 1;
  // write is async-signal-safe; the counter stays non-zero, so every later wait sees it too.
  while (write(wake_.Get(), &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void PosixDesktopWindowServer::Run() {
  std::vector<Client> clients;
  std::vector<pollfd> watched;
  std::optional<FrameSchedule::TimePoint> boundary;
  if (frames_ != nullptr) boundary = frames_->FrameEnd(std::chrono::steady_clock::now());
  for (;;) {
    watched.clear();
    watched.push_back({wake_.Get(), POLLIN, 0});
    watched.push_back({listener_.Get(), POLLIN, 0});
    for (const Client& client : clients) {
      // While an answer waits for the client to read it, nothing more is taken in.
      const short events = client.output.empty() ? POLLIN : POLLOUT;
      watched.push_back({client.socket.Get(), events, 0});
    }
    const std::optional<timespec> wait = WaitUntil(boundary);
    if (ppoll(watched.data(), watched.size(), wait ? &*wait : nullptr, nullptr) < 0) {
      if (errno == EINTR) continue;
      throw Error(SystemError("poll failed"));
    }
    if (watched[0].revents != 0) {
      // Deletions wait for no reply, so a client may have sent its last ones just before the
      // stop: they are taken, and the atoms of clients that have gone deleted, so that what is
      // left in the table is exact.
      for (Client& client : clients) {
        if (client.output.empty() && !Receive(client)) DeleteUnclaimedAtoms(client);
      }
      return;
    }
    if (watched[1].revents != 0) AcceptClients(clients);

    // Clients accepted just now sit past the end of `watched` and wait for the next round.
    for (std::size_t i = 0; i + 2 < watched.size(); ++i) {
      const short revents = watched[i + 2].revents;
      Client& client = clients[i];
      if ((revents & POLLOUT) != 0) {
        client.finished = !Flush(client) || (client.output.empty() &&
                                             !HandleRequests(client, MessagesBetweenBoundaries()));
      }
      if (!client.finished && (revents & (POLLIN | POLLHUP | POLLERR)) != 0 && !Receive(client)) {
        client.finished = true;
      }
    }
    if (boundary && std::chrono::steady_clock::now() >= *boundary) {
      for (Client& client : clients) {
        // What has come during the frame and not been read yet waits at the boundary too.
        if (!client.finished) {
          client.finished = !Receive(client) || !HandleRequests(client, kAnyNumber);
        }
      }
      boundary = frames_->FrameEnd(std::chrono::steady_clock::now());
    }
    for (Client& client : clients) {
      if (client.finished) DeleteUnclaimedAtoms(client);
    }
    std::erase_if(clients, [](const Client& client) { return client.finished; });
  }
}

std::size_t PosixDesktopWindowServer::MessagesBetweenBoundaries() const {
  return frames_ != nullptr ? 0 : kAnyNumber;
}

void PosixDesktopWindowServer::AcceptClients(std::vector<Client>& clients) {
  for (;;) {
    UniqueFd socket(accept4(listener_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!socket.Valid()) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // nobody else waiting, or out of descriptors until a client leaves
    }
    Client& client = clients.emplace_back();
    client.socket = std::move(socket);
  }
}

bool PosixDesktopWindowServer::Receive(Client& client) {
  std::uint8_t chunk[4096];
  ssize_t got = 0;
  do {
    got = recv(client.socket.Get(), chunk, sizeof chunk, MSG_DONTWAIT);
  } while (got < 0 && errno == EINTR);
  if (got == 0) return false;
  if (got < 0) return errno == EAGAIN || errno == EWOULDBLOCK;
  // A hung window procedure never gets to the client's later requests.
  if (client.hung) return true;
  client.input.insert(client.input.end(), chunk, chunk + got);
  return HandleRequests(client, MessagesBetweenBoundaries());
}

bool PosixDesktopWindowServer::HandleRequests(Client& client, std::size_t messages) {
  std::size_t used = 0;
  bool healthy = true;
  while (healthy && !client.hung && client.output.size() < kMaxOutputHeld &&
         used < client.input.size()) {
    const std::span<const std::uint8_t> rest = std::span(client.input).subspan(used);
    const std::uint8_t kind = rest[0];
    if (!client.greeted) {
      if (kind == dw::kHello && rest.size() < dw::kHelloSize) break;
      if (!Greet(client, rest.first(kind == dw::kHello ? dw::kHelloSize : 1))) {
        healthy = false;
        break;
      }
      used += dw::kHelloSize;
    } else if (kind == dw::kSendMessage) {
      if (rest.size() < dw::kSendMessageSize || messages == 0) break;
      --messages;
      const dw::SendMessageRequest request =
          dw::DecodeSendMessage(rest.subspan<1, dw::kSendMessageSize - 1>());
      used += dw::kSendMessageSize;
      const std::optional<std::int64_t> result =
          handler_(request.message, request.wParam, request.lParam);
      if (!result) {
        client.hung = true;
        break;
      }
      std::string name;
      if (const std::optional<Atom> atom = AtomHandedOverIn(*result)) {
        std::lock_guard lock(atomsMutex_);
        if (const std::optional<std::string> live = atoms_.Name(*atom)) {
          client.unclaimed.push_back(*atom);
          name = *live;
        }
      }
      const std::vector<std::uint8_t> answer = dw::EncodeMessageAnswer(*result, name);
      client.output.insert(client.output.end(), answer.begin(), answer.end());
    } else if (kind == dw::kGetAtomName || kind == dw::kDeleteAtom) {
      if (rest.size() < dw::kAtomRequestSize) break;
      const auto atom = dw::LoadLittleEndian<Atom>(rest.subspan<1, 2>());
      used += dw::kAtomRequestSize;
      if (kind == dw::kGetAtomName) {
        AnswerAtomName(client, atom);
      } else {
        std::unique_lock lock(atomsMutex_);
        const Atom answer = atoms_.Delete(atom);
        lock.unlock();
        if (const auto claimed = std::ranges::find(client.unclaimed, atom);
            answer == 0 && claimed != client.unclaimed.end()) {
          client.unclaimed.erase(claimed);
        }
      }
    } else {
      healthy = false;  // not a request of this protocol: the client is cut off
      break;
    }
  }
  healthy = Flush(client) && healthy;
  if (client.hung) {
    client.input.clear();
  } else {
    client.input.erase(client.input.begin(),
                       client.input.begin() + static_cast<std::ptrdiff_t>(used));
  }
  return healthy;
}

bool PosixDesktopWindowServer::Greet(Client& client, std::span<const std::uint8_t> hello) {
  const std::optional<std::uint16_t> version = hello.size() == dw::kHelloSize
                                                   ? dw::DecodeHello(hello.first<dw::kHelloSize>())
                                                   : std::nullopt;
  if (!version) {
    std::fprintf(stderr,
                 "window class %s: refused a client that did not open with the version "
                 "handshake (a program of protocol version 1?)\n",
                 className_.c_str());
    return false;
  }
  const auto answer = dw::EncodeHello();
  client.output.insert(client.output.end(), answer.begin(), answer.end());
  if (*version == dw::kProtocolVersion) {
    client.greeted = true;
    return true;
  }
  std::fprintf(stderr, "window class %s: refused a client of protocol version %u (this is %u)\n",
               className_.c_str(), unsigned{*version}, unsigned{dw::kProtocolVersion});
  Flush(client);  // it learns this server's version, then the connection closes
  return false;
}

void PosixDesktopWindowServer::DeleteUnclaimedAtoms(Client& client) {
  std::lock_guard lock(atomsMutex_);
  for (const Atom atom : client.unclaimed) atoms_.Delete(atom);
  client.unclaimed.clear();
}

void PosixDesktopWindowServer::AnswerAtomName(Client& client, Atom atom) {
  std::optional<std::string> name;
  {
    std::lock_guard lock(atomsMutex_);
    name = atoms_.Name(atom);
  }
  const std::string text = name.value_or("");
  const auto length = dw::EncodeAtomAnswer(static_cast<std::uint16_t>(text.size()));
  client.output.insert(client.output.end(), length.begin(), length.end());
  client.output.insert(client.output.end(), text.begin(), text.end());
}

bool PosixDesktopWindowServer::Flush(Client& client) {
  std::size_t sent = 0;
  bool healthy = true;
  while (sent < client.output.size()) {
    const ssize_t now = send(client.socket.Get(), client.output.data() + sent,
                             client.output.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (now < 0) {
      if (errno == EINTR) continue;
      healthy = errno == EAGAIN || errno == EWOULDBLOCK;  // the rest goes when it can
      break;
    }
    sent += static_cast<std::size_t>(now);
  }
  client.output.erase(client.output.begin(),
                      client.output.begin() + static_cast<std::ptrdiff_t>(sent));
  return healthy;
}

Atom PosixDesktopWindowServer::AddAtom(std::string_view name) {
  std::lock_guard lock(atomsMutex_);
  return atoms_.Add(name);
}

Atom PosixDesktopWindowServer::UnusedAtom() const {
  std::lock_guard lock(atomsMutex_);
  return atoms_.Unused();
}

std::optional<std::string> PosixDesktopWindowServer::AtomName(Atom atom) const {
  std::lock_guard lock(atomsMutex_);
  return atoms_.Name(atom);
}

std::size_t PosixDesktopWindowServer::LiveAtoms() const {
  std::lock_guard lock(atomsMutex_);
  return atoms_.Size();
}

}  // namespace veltrano
