#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/link_transport.h"

namespace veltrano::testing {

// The reply text a server gives for a 64-bit float: header and value as hexadecimal pairs,
// least significant byte first.
std::string FloatReplyText(double value, std::int32_t header = 0);

// A desktop with at most one data-server window, driven by a script. Records every call and keeps
// the global atoms that the server leaves for the client.
class FakeLinkTransport final : public LinkTransport {
 public:
  // What the server does with one request.
  struct Reply {
    static Reply Answer(std::int64_t answer) { return {answer, std::nullopt, false, {}}; }
    // A new atom with this name, answered as its number read as a signed 16-bit value.
    static Reply NewAtom(std::string name) { return {0, std::move(name), false, {}}; }
    // A new atom whose name the client cannot read.
    static Reply UnreadableAtom() { return {0, std::string(), true, {}}; }
    // The transport itself fails with a std::runtime_error carrying this text.
    static Reply Failure(std::string text) { return {0, std::nullopt, false, std::move(text)}; }

    std::int64_t answer = 0;
    std::optional<std::string> atomName;
    bool unreadable = false;
    std::optional<std::string> failure;
  };

  struct Sent {
    WindowHandle window;
    std::uint32_t message;
    std::uint64_t wParam;
    std::int64_t lParam;
  };

  // What the look-ups give; a window of 0 means no server is running.
  std::uint32_t messageId = 0xC0DE;
  WindowHandle serverWindow = 0x2A;

  // The reply to every request for `variableCode`, unless a queued reply comes first.
  void SetReply(std::int32_t variableCode, Reply reply);
  // The reply to the next request whatever its code. Unscripted requests are answered 0.
  void QueueReply(Reply reply);
  // An atom that exists before any request, e.g. to answer with its number by hand.
  void AddAtom(Atom atom, std::string name);

  std::uint32_t RegisterWindowMessageA(std::string_view name) override;
  WindowHandle FindWindowA(std::string_view className) override;
  std::int64_t SendMessageA(WindowHandle window, std::uint32_t message, std::uint64_t wParam,
                            std::int64_t lParam) override;
  int GlobalGetAtomNameA(Atom atom, char* buffer, int size) override;
  Atom GlobalDeleteAtom(Atom atom) override;

  std::vector<std::string> registeredNames;
  std::vector<std::string> searchedClasses;
  std::vector<Sent> sent;
  std::vector<Atom> nameReads;
  std::vector<int> nameBufferSizes;
  std::vector<Atom> deleteCalls;

  std::size_t LiveAtoms() const { return atoms_.size(); }

 private:
  Atom CreateAtom(std::optional<std::string> name);

  std::map<std::int32_t, Reply> byCode_;
  std::deque<Reply> queued_;
  std::map<Atom, std::optional<std::string>> atoms_;  // no name: unreadable
  Atom nextAtom_ = 0xC001;
};

}  // namespace veltrano::testing
