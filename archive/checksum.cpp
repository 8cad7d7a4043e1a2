#include "archive/checksum.h"

#include <isa-l/crc.h>

namespace kvn::archive {

uint32_t UpdateCrc(uint32_t reg, const void* data, int64_t length) {
  if (!data || length <= 0) return reg;
  // ISA-L's reflected CRC-32 takes and returns the complemented register; it
  // folds many bytes at a time (carry-less multiplication), with the same
  // result as one table lookup per byte.
  return ~crc32_gzip_refl(~reg, static_cast<const unsigned char*>(data),
                          static_cast<uint64_t>(length));
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
