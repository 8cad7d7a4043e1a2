// Checking binary records field by field: a little-endian field read at a
// named offset, so that a failure names the field and where it lies.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/endian.h"

namespace kvn::test {

struct Fields {
  const std::string& bytes;
  uint64_t Get(size_t offset, int width) const {
    EXPECT_LE(offset + static_cast<size_t>(width), bytes.size());
    if (offset + static_cast<size_t>(width) > bytes.size()) return ~uint64_t{0};
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data()) + offset;
    return width == 1   ? p[0]
           : width == 2 ? platform::GetLE16(p)
           : width == 4 ? platform::GetLE32(p)
                        : platform::GetLE64(p);
  }
};

}  // namespace kvn::test

// EXPECT_FIELD(fields, offset, width in bytes, expected value, "field name")
#define EXPECT_FIELD(f, offset, width, value, name)               \
  EXPECT_EQ((f).Get(offset, width), static_cast<uint64_t>(value)) \
      << (name) << " at offset " << (offset)
