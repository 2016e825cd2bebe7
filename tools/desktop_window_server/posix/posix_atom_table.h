#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/link_transport.h"
#include "platform/posix/posix_desktop_window_protocol.h"

namespace veltrano {

// A table of string atoms that behaves as the desktop's global atom table: atoms are numbered
// 0xC000 to 0xFFFF, names compare without regard to ASCII case, adding a name that is already
// there adds a reference to its atom, and an atom goes when its last reference is deleted.
class AtomTable {
 public:
  // The atom for `name`, new or with one more reference. The name keeps the spelling of its
  // first addition. Raises Error for an empty name, a name longer than 254 characters, or a
  // full table.
  Atom Add(std::string_view name);

  // Drops one reference. Gives 0 when the atom existed, and the atom itself when it did not.
  Atom Delete(Atom atom);

  std::optional<std::string> Name(Atom atom) const;
  bool Contains(Atom atom) const { return entries_.contains(atom); }

  // A number in the atom range that no atom has now; 0 when every number is taken.
  Atom Unused() const;

  // Atoms that exist now, however many references each has.
  std::size_t Size() const { return entries_.size(); }

 private:
  struct Entry {
    std::string name;
    std::uint32_t references = 0;
  };

  static std::string FoldCase(std::string_view name);

  std::unordered_map<Atom, Entry> entries_;
  std::unordered_map<std::string, Atom> byFoldedName_;
  std::set<Atom> freed_;  // numbers that were used and are free again
  std::uint32_t neverUsed_ = desktop_window::kFirstAtom;  // and the numbers from here on
};

}  // namespace veltrano
