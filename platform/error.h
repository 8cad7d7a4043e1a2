// The program's one exception type: a UTF-8 message meant for the user.
#pragma once

#include <stdexcept>
#include <string>

namespace kvn {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace kvn
