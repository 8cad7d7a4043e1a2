// The message of what a piece of code throws, or "(no error)": lets a test
// compare error texts in one line.
#pragma once

#include <exception>
#include <string>

namespace kvn::test {

template <typename F>
std::string MessageOf(F f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no error)";
}

}  // namespace kvn::test
