#include "tests/link/fake_link_transport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace veltrano::testing {

namespace {

template <class T>
void AppendHex(std::string& text, const T& value) {
  unsigned char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  for (unsigned char byte : bytes) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", byte);
    text += pair;
  }
}

}  // namespace

std::string FloatReplyText(double value, std::int32_t header) {
  std::string text;
  AppendHex(text, header);
  AppendHex(text, value);
  return text;
}

void FakeLinkTransport::SetReply(std::int32_t variableCode, Reply reply) {
  byCode_.insert_or_assign(variableCode, std::move(reply));
}

void FakeLinkTransport::QueueReply(Reply reply) { queued_.push_back(std::move(reply)); }

void FakeLinkTransport::AddAtom(Atom atom, std::string name) { atoms_[atom] = std::move(name); }

std::uint32_t FakeLinkTransport::RegisterWindowMessageA(std::string_view name) {
  registeredNames.emplace_back(name);
  return messageId;
}

WindowHandle FakeLinkTransport::FindWindowA(std::string_view className) {
  searchedClasses.emplace_back(className);
  return className == "FSCONNECT8" ? serverWindow : 0;
}

std::int64_t FakeLinkTransport::SendMessageA(WindowHandle window, std::uint32_t message,
                                             std::uint64_t wParam, std::int64_t lParam) {
  sent.push_back({window, message, wParam, lParam});
  // A vanished window, or a message it does not know, gets no answer.
  if (window == 0 || window != serverWindow || message != messageId) return 0;

  Reply reply;
  if (!queued_.empty()) {
    reply = std::move(queued_.front());
    queued_.pop_front();
  } else if (auto found = byCode_.find(static_cast<std::int32_t>(lParam)); found != byCode_.end()) {
    reply = found->second;
  }
  if (reply.failure) throw std::runtime_error(*reply.failure);
  if (reply.atomName) {
    const Atom atom = CreateAtom(reply.unreadable ? std::nullopt : reply.atomName);
    return static_cast<std::int16_t>(atom);
  }
  return reply.answer;
}

int FakeLinkTransport::GlobalGetAtomNameA(Atom atom, char* buffer, int size) {
  nameReads.push_back(atom);
  nameBufferSizes.push_back(size);
  const auto found = atoms_.find(atom);
  if (found == atoms_.end() || !found->second || size <= 0) return 0;
  const std::string& name = *found->second;
  const int count = std::min(static_cast<int>(name.size()), size - 1);
  std::memcpy(buffer, name.data(), static_cast<std::size_t>(count));
  buffer[count] = '\0';
  return count;
}

Atom FakeLinkTransport::GlobalDeleteAtom(Atom atom) {
  deleteCalls.push_back(atom);
  return atoms_.erase(atom) == 1 ? 0 : atom;
}

Atom FakeLinkTransport::CreateAtom(std::optional<std::string> name) {
  const Atom atom = nextAtom_++;
  atoms_[atom] = std::move(name);
  return atom;
}

}  // namespace veltrano::testing
