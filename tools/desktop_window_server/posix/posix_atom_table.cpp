#include "desktop_window_server/posix/posix_atom_table.h"

#include "platform/error.h"
#include "platform/posix/posix_desktop_window_protocol.h"

namespace veltrano {

namespace dw = desktop_window;

std::string AtomTable::FoldCase(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
  }
  return folded;
}

Atom AtomTable::Add(std::string_view name) {
  if (name.empty()) throw Error("An atom needs a name");
  if (name.size() > dw::kMaxAtomNameLength) throw Error("Atom name too long");
  std::string folded = FoldCase(name);
  if (const auto known = byFoldedName_.find(folded); known != byFoldedName_.end()) {
    ++entries_.at(known->second).references;
    return known->second;
  }
  // The lowest free number, so that numbers freed by deletions are handed out again.
  Atom number = 0;
  if (!freed_.empty()) {
    number = *freed_.begin();
    freed_.erase(freed_.begin());
  } else if (neverUsed_ <= dw::kLastAtom) {
    number = static_cast<Atom>(neverUsed_++);
  } else {
    throw Error("Atom table full");
  }
  entries_.emplace(number, Entry{std::string(name), 1});
  byFoldedName_.emplace(std::move(folded), number);
  return number;
}

Atom AtomTable::Delete(Atom atom) {
  const auto found = entries_.find(atom);
  if (found == entries_.end()) return atom;
  if (--found->second.references == 0) {
    byFoldedName_.erase(FoldCase(found->second.name));
    freed_.insert(atom);
    entries_.erase(found);
  }
  return 0;
}

std::optional<std::string> AtomTable::Name(Atom atom) const {
  const auto found = entries_.find(atom);
  if (found == entries_.end()) return std::nullopt;
  return found->second.name;
}

Atom AtomTable::Unused() const {
  // The far end from where Add hands out numbers.
  if (neverUsed_ <= dw::kLastAtom) return dw::kLastAtom;
  if (!freed_.empty()) return *freed_.rbegin();
  return 0;
}

}  // namespace veltrano
