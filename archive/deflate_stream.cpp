#include "archive/deflate_stream.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "archive/checksum.h"
#include "archive/zf_exception.h"

namespace kvn::archive {

int DeflateBlockSize(int mode) {
  if (mode >= 1 && mode <= 3) return 524288;
  if (mode >= 7 && mode <= 9) return 1572864;
  return 1048576;
}

namespace {

// The zlib compressor, ended on every way out.
struct Deflater {
  z_stream z{};
  bool ready = false;
  explicit Deflater(int level) {
    // Raw deflate: zip data carries neither zlib's header nor its Adler-32
    // trailer (readers take bytes after the last block for damage).
    ready = deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~Deflater() {
    if (ready) deflateEnd(&z);
  }
};

}  // namespace

EntryData WriteEntryData(platform::Stream& source, int64_t sourceSize, platform::Stream& dest,
                         int method, int mode, const std::string& componentName,
                         const std::function<bool(int64_t)>& progress) {
  EntryData result;
  result.uncompressedSize = static_cast<uint64_t>(sourceSize);
  result.method = sourceSize == 0 ? kMethodStored : method;
  if (sourceSize == 0) return result;  // no data, CRC 0, stored

  source.Seek(0, platform::SeekOrigin::Begin);
  uint32_t crc = kCrcPreset;
  const size_t blockSize = static_cast<size_t>(DeflateBlockSize(mode));
  std::vector<unsigned char> input(static_cast<size_t>(std::min<int64_t>(blockSize, sourceSize)));
  std::vector<unsigned char> output;
  std::unique_ptr<Deflater> deflater;
  if (result.method == kMethodDeflated) {
    deflater = std::make_unique<Deflater>(mode);
    if (!deflater->ready) ThrowArchiverError(componentName, 34, {std::to_string(sourceSize), "0"});
  }
  int64_t read = 0;
  uint64_t written = 0;
  while (read < sourceSize) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(blockSize), sourceSize - read));
    if (source.Read(input.data(), n) != n) break;
    crc = UpdateCrc(crc, input.data(), static_cast<int64_t>(n));
    const unsigned char* out = input.data();
    size_t outLength = n;
    if (result.method == kMethodDeflated) {
      size_t bound = (n + n / 10 + 12 + 255) / 256 * 256;
      if (output.size() < bound) output.resize(bound);
      z_stream& z = deflater->z;
      const uLong before = z.total_out;
      z.next_in = input.data();
      z.avail_in = static_cast<uInt>(n);
      z.next_out = output.data();
      z.avail_out = static_cast<uInt>(bound);
      const bool last = read + static_cast<int64_t>(n) == sourceSize;
      int rc = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
      if (rc < 0 || z.avail_in != 0) break;
      outLength = static_cast<size_t>(z.total_out - before);
      out = output.data();
    }
    if (dest.Write(out, outLength) != outLength) break;
    written += outLength;
    read += static_cast<int64_t>(n);
    if (progress && !progress(read)) {
      result.cancelled = true;
      break;
    }
  }
  if (!result.cancelled && read != sourceSize)
    ThrowArchiverError(componentName, 34, {std::to_string(sourceSize), std::to_string(read)});
  result.crc = ~crc;
  result.compressedSize = written;
  return result;
}

}  // namespace kvn::archive
