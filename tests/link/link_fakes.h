#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/link_transport.h"
#include "platform/msg_box.h"

namespace veltrano::testing {

// The reply text a server gives for a 64-bit float: a zero header and the value as hexadecimal
// pairs, least significant byte first.
std::string FloatReplyText(double value);

// A desktop with at most one data-server window, whose answers the test scripts. Keeps the global
// atoms that the server leaves for the client.
class FakeLinkTransport final : public LinkTransport {
 public:
  // What looking up "WM_FSCONNECT" and "FSCONNECT8" gives; a window of 0: no server runs.
  std::uint32_t messageId = 0xC0DE;
  WindowHandle serverWindow = 0x2A;
  // The server's answer to a well-formed request for a variable, made when the answer is taken;
  // unset, it answers 0.
  std::function<std::int64_t(std::int32_t variableCode)> serve;
  // Whether a request's answer has come each time it is looked for; unset, it always has. An
  // answer not in time stays owed, and is looked for again at the next TakeAnswer.
  std::function<Delivery(std::int32_t variableCode)> deliver;

  // Adds an atom (no name: one that cannot be read) and gives the answer that hands it over: its
  // number read as a signed 16-bit value.
  std::int64_t NewAtom(std::optional<std::string> name);

  // The names the link client looks up are the only ones known; each look-up is counted.
  std::uint32_t RegisterWindowMessageA(std::string_view name) override {
    ++registrations;
    return name == "WM_FSCONNECT" ? messageId : 0;
  }
  WindowHandle FindWindowA(std::string_view className) override {
    ++searches;
    return className == "FSCONNECT8" ? serverWindow : 0;
  }

  // Records the requests; their answers are made as `deliver` and `serve` say when taken.
  std::optional<std::vector<MessageTicket>> SendMessagesAhead(
      WindowHandle window, std::span<const WindowMessage> messages) override;
  MessageResult TakeAnswer(MessageTicket ticket, Deadline deadline) override;
  void SendHeld() override {}
  void EndExchanges() override {
    givenUp += owed.size();
    owed.clear();
  }

  int GlobalGetAtomNameA(Atom atom, char* buffer, int size) override;
  Atom GlobalDeleteAtom(Atom atom) override {
    ++deletes[atom];
    return atoms.erase(atom) == 1 ? 0 : atom;
  }

  int registrations = 0;
  int searches = 0;
  std::vector<std::int64_t> requests;                // the lParam of every message sent
  std::vector<std::size_t> batches;                  // how many messages went together
  std::map<MessageTicket, WindowMessage> owed;       // sent, answer not taken
  std::size_t givenUp = 0;                           // owed answers given up
  std::map<Atom, std::optional<std::string>> atoms;  // the live ones
  std::map<Atom, int> deletes;                       // how often each atom was deleted

 private:
  Atom nextAtom_ = 0xC001;
  MessageTicket lastTicket_ = 0;
};

// Records each box instead of showing it; the "person" closes it at once.
class FakeMsgBox final : public MsgBox {
 public:
  struct Box {
    std::string prompt;
    int style;
    std::string title;
    friend bool operator==(const Box&, const Box&) = default;
  };

  void Show(std::string_view prompt, int style, std::string_view title) override {
    shown.push_back({std::string(prompt), style, std::string(title)});
  }

  std::vector<Box> shown;
};

}  // namespace veltrano::testing
