#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "platform/error.h"

namespace veltrano {

// What a window holds by name, controls or timers: each name once, in the order of the names.
template <class T>
class NamedTable {
 public:
  // `kind` names the things in the errors: "control", "timer".
  explicit NamedTable(std::string_view kind) : kind_(kind) {}

  // Raises Error when a thing of that name is there already.
  void RefuseTaken(std::string_view name) const {
    if (entries_.contains(name)) {
      throw Error("A " + kind_ + " named " + std::string(name) + " exists already");
    }
  }

  T& Insert(std::string_view name, T value) {
    RefuseTaken(name);
    return entries_.emplace(std::string(name), std::move(value)).first->second;
  }

  // The thing of that name, or none.
  T* Lookup(std::string_view name) {
    auto found = entries_.find(name);
    return found == entries_.end() ? nullptr : &found->second;
  }

  // The thing of that name; raises Error when there is none.
  T& Find(std::string_view name) {
    if (T* found = Lookup(name)) return *found;
    throw Error("No " + kind_ + " named " + std::string(name));
  }

  auto begin() { return entries_.begin(); }
  auto end() { return entries_.end(); }
  auto begin() const { return entries_.begin(); }
  auto end() const { return entries_.end(); }
  void clear() { entries_.clear(); }

 private:
  std::string kind_;
  std::map<std::string, T, std::less<>> entries_;
};

}  // namespace veltrano
