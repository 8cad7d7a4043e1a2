#include "archive/checksum.h"

#include <zlib.h>

namespace kvn::archive {

uint32_t UpdateCrc(uint32_t reg, const void* data, int64_t length) {
  if (!data || length <= 0) return reg;
  // zlib's crc32 takes and returns the complemented register; it works several
  // bytes at a time, with the same result as one table lookup per byte.
  uLong crc = ~reg & 0xFFFFFFFFu;
  const auto* p = static_cast<const Bytef*>(data);
  while (length > 0) {
    uInt chunk = length > 0x40000000 ? 0x40000000u : static_cast<uInt>(length);
    crc = crc32(crc, p, chunk);
    p += chunk;
    length -= chunk;
  }
  return ~static_cast<uint32_t>(crc);
}

const uint32_t* CrcTable() {
  static const uint32_t* table = [] {
    static uint32_t t[256];
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  return table;
}

}  // namespace kvn::archive
