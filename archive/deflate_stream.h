// One entry's data: the source read in blocks, its CRC-32, and the bytes written
// to the archive, stored or deflated. Deflated data is a raw deflate stream
// (no zlib header, no Adler-32 trailer); every block but the last ends with a
// sync flush, the last with the final block.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "archive/zip_crypto.h"
#include "archive/zip_format.h"
#include "platform/stream.h"

namespace kvn::archive {

constexpr int kMethodStored = 0;
constexpr int kMethodDeflated = 8;

// Input block size by compression mode: 512 KiB (1-3), 1.5 MiB (7-9), 1 MiB else.
int DeflateBlockSize(int mode);

struct EntryData {
  uint32_t crc = 0;
  uint64_t uncompressedSize = 0;
  uint64_t compressedSize = 0;
  int method = kMethodStored;
  bool cancelled = false;
};

// Compresses sourceSize bytes of source (rewound first) into dest: ISA-L's
// igzip for modes 1 to 3, zlib for the others. progress receives the bytes read
// after each block and returns false to cancel. A write that dest refuses
// raises native error 46; any other shortfall (short read, compressor failure)
// native error 34 with the source size and the bytes read, unless cancelled.
// Both carry the system's error code when a file stream gave one.
// With a cipher, every output byte is encrypted before it is written.
EntryData WriteEntryData(platform::Stream& source, int64_t sourceSize, platform::Stream& dest,
                         int method, int mode, const std::string& componentName,
                         const std::function<bool(int64_t bytesRead)>& progress,
                         TraditionalCipher* cipher = nullptr);

// Reads an entry's data (at its local header in archive) into out: decrypted
// with the password when the entry is encrypted, inflated, and checked against
// the entry's size and CRC. A wrong password, damaged data or an unknown method
// raise native error 8.
void ReadEntryData(platform::Stream& archive, const TDirItem& entry, std::string_view password,
                   platform::Stream& out, const std::string& componentName);

}  // namespace kvn::archive
