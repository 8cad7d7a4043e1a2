// One stored value of a row, as SQLite holds it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvn::db {

struct Value {
  enum class Kind : uint8_t { Null, Integer, Float, Text, Blob };

  Kind kind = Kind::Null;
  union {
    int64_t i;
    double f;
  };
  std::string s;  // text (UTF-8) or blob bytes

  Value() : i(0) {}
  static Value Null() { return Value(); }
  static Value Integer(int64_t v) {
    Value x;
    x.kind = Kind::Integer;
    x.i = v;
    return x;
  }
  static Value Float(double v) {
    Value x;
    x.kind = Kind::Float;
    x.f = v;
    return x;
  }
  static Value Text(std::string v) {
    Value x;
    x.kind = Kind::Text;
    x.s = std::move(v);
    return x;
  }
  static Value Blob(std::string v) {
    Value x;
    x.kind = Kind::Blob;
    x.s = std::move(v);
    return x;
  }
  bool IsNull() const { return kind == Kind::Null; }
};

using Row = std::vector<Value>;

}  // namespace kvn::db
