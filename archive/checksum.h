// CRC-32 of the zip format (reflected polynomial 0xEDB88320, register preset to
// 0xFFFFFFFF, final complement). The register form lets the CRC run over blocks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvn::archive {

constexpr uint32_t kCrcPreset = 0xFFFFFFFFu;

// Register after the bytes; a null buffer or a length of 0 leaves it unchanged.
uint32_t UpdateCrc(uint32_t reg, const void* data, int64_t length);
// CRC-32 of a whole buffer.
inline uint32_t Crc32(const void* data, int64_t length) {
  return ~UpdateCrc(kCrcPreset, data, length);
}
// The standard 256-entry table of the polynomial.
const uint32_t* CrcTable();

}  // namespace kvn::archive
