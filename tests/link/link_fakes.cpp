#include "tests/link/link_fakes.h"

#include <algorithm>
#include <cstring>

namespace veltrano::testing {

std::string FloatReplyText(double value) {
  unsigned char bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  std::string text = "00000000";
  constexpr char kDigits[] = "0123456789ABCDEF";
  for (unsigned char byte : bytes) text += {kDigits[byte >> 4], kDigits[byte & 0xF]};
  return text;
}

std::int64_t FakeLinkTransport::NewAtom(std::optional<std::string> name) {
  const Atom atom = nextAtom_++;
  atoms[atom] = std::move(name);
  return static_cast<std::int16_t>(atom);
}

MessageResult FakeLinkTransport::SendMessageA(WindowHandle window, std::uint32_t message,
                                              std::uint64_t wParam, std::int64_t lParam) {
  requests.push_back(lParam);
  if (window == 0 || window != serverWindow) return {Delivery::kNoWindow};
  const auto code = static_cast<std::int32_t>(lParam);
  if (deliver && deliver(code) != Delivery::kAnswered) return {deliver(code)};
  // A message the server does not understand gets 0.
  if (message != messageId || wParam != 1 || !serve) return {Delivery::kAnswered, 0};
  return {Delivery::kAnswered, serve(code)};
}

int FakeLinkTransport::GlobalGetAtomNameA(Atom atom, char* buffer, int size) {
  const auto found = atoms.find(atom);
  if (found == atoms.end() || !found->second) return 0;
  const int count = std::min(static_cast<int>(found->second->size()), size - 1);
  std::memcpy(buffer, found->second->data(), static_cast<std::size_t>(count));
  buffer[count] = '\0';
  return count;
}

}  // namespace veltrano::testing
