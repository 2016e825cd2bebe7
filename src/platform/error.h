#pragma once

#include <stdexcept>
#include <string>

namespace veltrano {

// A failure that carries a message text for the person at the window. Lower layers raise it and
// catch nothing; the procedure that owns the work (a reader, START, the settings load) catches it.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace veltrano
