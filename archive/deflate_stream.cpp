#include "archive/deflate_stream.h"

#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "archive/checksum.h"
#include "archive/zf_exception.h"
#include "platform/endian.h"

namespace kvn::archive {

int DeflateBlockSize(int mode) {
  if (mode >= 1 && mode <= 3) return 524288;
  if (mode >= 7 && mode <= 9) return 1572864;
  return 1048576;
}

namespace {

// One entry's compressor: each block is compressed whole into out, ending with
// a sync flush, or with the final block for the last one. False on failure.
class Compressor {
 public:
  virtual ~Compressor() = default;
  virtual bool Block(const unsigned char* in, size_t n, bool last, std::vector<unsigned char>& out,
                     size_t& length) = 0;
};

// The output bound of one block: n + n/10 + 12 rounded up to 256 bytes.
size_t OutputBound(size_t n) {
  return (n + n / 10 + 12 + 255) / 256 * 256;
}

// zlib, for modes 4 to 9 (and any mode ISA-L refuses).
class ZlibCompressor : public Compressor {
 public:
  explicit ZlibCompressor(int level) {
    // Raw deflate: zip data carries neither zlib's header nor its Adler-32
    // trailer (readers take bytes after the last block for damage).
    m_ready = deflateInit2(&m_z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~ZlibCompressor() override {
    if (m_ready) deflateEnd(&m_z);
  }
  bool Ready() const { return m_ready; }
  bool Block(const unsigned char* in, size_t n, bool last, std::vector<unsigned char>& out,
             size_t& length) override {
    const size_t bound = OutputBound(n);
    if (out.size() < bound) out.resize(bound);
    const uLong before = m_z.total_out;
    m_z.next_in = const_cast<unsigned char*>(in);
    m_z.avail_in = static_cast<uInt>(n);
    m_z.next_out = out.data();
    m_z.avail_out = static_cast<uInt>(bound);
    const int rc = deflate(&m_z, last ? Z_FINISH : Z_SYNC_FLUSH);
    if (rc < 0 || m_z.avail_in != 0) return false;
    length = static_cast<size_t>(m_z.total_out - before);
    return true;
  }

 private:
  z_stream m_z{};
  bool m_ready = false;
};

// ISA-L's igzip, for modes 1 to 3: the same raw deflate stream layout, several
// times faster than zlib at a comparable ratio.
class IsalCompressor : public Compressor {
 public:
  explicit IsalCompressor(int level) : m_level(level) {
    isal_deflate_init(&m_z);
    m_z.level = static_cast<uint32_t>(level);
    m_z.gzip_flag = IGZIP_DEFLATE;
    const size_t size = level == 1   ? ISAL_DEF_LVL1_DEFAULT
                        : level == 2 ? ISAL_DEF_LVL2_DEFAULT
                                     : ISAL_DEF_LVL3_DEFAULT;
    m_levelBuffer.resize(size);
    m_z.level_buf = m_levelBuffer.data();
    m_z.level_buf_size = static_cast<uint32_t>(size);
  }
  bool Block(const unsigned char* in, size_t n, bool last, std::vector<unsigned char>& out,
             size_t& length) override {
    if (out.size() < OutputBound(n)) out.resize(OutputBound(n));
    m_z.next_in = const_cast<unsigned char*>(in);
    m_z.avail_in = static_cast<uint32_t>(n);
    m_z.end_of_stream = last ? 1 : 0;
    m_z.flush = last ? NO_FLUSH : SYNC_FLUSH;
    length = 0;
    for (;;) {
      m_z.next_out = out.data() + length;
      m_z.avail_out = static_cast<uint32_t>(out.size() - length);
      if (isal_deflate(&m_z) != COMP_OK) return false;
      length = out.size() - m_z.avail_out;
      // Done once the input is taken and the output was not filled (the flush
      // or the end of the stream is then written).
      const bool flushed = m_z.avail_in == 0 && m_z.avail_out > 0;
      if (flushed && (!last || m_z.internal_state.state == ZSTATE_END)) return true;
      if (m_z.avail_out == 0) out.resize(out.size() * 2);
    }
  }

 private:
  int m_level;
  isal_zstream m_z{};
  std::vector<uint8_t> m_levelBuffer;
};

// The system's code of a failed stream operation, when the stream is a file.
int StreamError(platform::Stream& s) {
  auto* file = dynamic_cast<platform::FileStream*>(&s);
  return file ? file->LastError() : 0;
}

// Encrypts and writes the blocks of one entry on a second thread, so that the
// next block is read and compressed meanwhile: the cipher, byte after byte,
// costs about as much as the compression.
class CipherWriter {
 public:
  CipherWriter(TraditionalCipher& cipher, platform::Stream& dest)
      : m_cipher(cipher), m_dest(dest), m_thread([this] { Run(); }) {}
  ~CipherWriter() { Finish(); }
  // Takes the bytes of buffer (which gets a free buffer back); waits while
  // the previous block is not taken yet.
  void Put(std::vector<unsigned char>& buffer, size_t length) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_has; });
    std::swap(buffer, m_pending);
    m_pendingLength = length;
    m_has = true;
    m_changed.notify_all();
  }
  // Waits for the last block; false when a write failed.
  bool Finish() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_done = true;
      m_changed.notify_all();
    }
    if (m_thread.joinable()) m_thread.join();
    return !m_failed;
  }

 private:
  void Run() {
    std::vector<unsigned char> working;
    for (;;) {
      size_t length = 0;
      {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_has || m_done; });
        if (!m_has) return;
        std::swap(working, m_pending);
        length = m_pendingLength;
        m_has = false;
        m_changed.notify_all();
      }
      if (m_failed) continue;
      m_cipher.Encrypt(working.data(), length);
      if (m_dest.Write(working.data(), length) != length) m_failed = true;
    }
  }

  TraditionalCipher& m_cipher;
  platform::Stream& m_dest;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<unsigned char> m_pending;
  size_t m_pendingLength = 0;
  bool m_has = false, m_done = false;
  std::atomic<bool> m_failed{false};
  std::thread m_thread;
};

}  // namespace

EntryData WriteEntryData(platform::Stream& source, int64_t sourceSize, platform::Stream& dest,
                         int method, int mode, const std::string& componentName,
                         const std::function<bool(int64_t)>& progress, TraditionalCipher* cipher) {
  EntryData result;
  result.uncompressedSize = static_cast<uint64_t>(sourceSize);
  result.method = sourceSize == 0 ? kMethodStored : method;
  if (sourceSize == 0) return result;  // no data, CRC 0, stored

  source.Seek(0, platform::SeekOrigin::Begin);
  uint32_t crc = kCrcPreset;
  const size_t blockSize = static_cast<size_t>(DeflateBlockSize(mode));
  std::vector<unsigned char> input(static_cast<size_t>(std::min<int64_t>(blockSize, sourceSize)));
  std::vector<unsigned char> output;
  std::unique_ptr<Compressor> compressor;
  if (result.method == kMethodDeflated) {
    if (mode >= 1 && mode <= 3) {
      compressor = std::make_unique<IsalCompressor>(mode);
    } else {
      auto zlib = std::make_unique<ZlibCompressor>(mode);
      if (!zlib->Ready()) ThrowArchiverError(componentName, 34, {std::to_string(sourceSize), "0"});
      compressor = std::move(zlib);
    }
  }
  int64_t read = 0;
  uint64_t written = 0;
  // An entry of several blocks is encrypted and written beside the reading
  // and compressing.
  std::unique_ptr<CipherWriter> pipeline;
  if (cipher && sourceSize > static_cast<int64_t>(blockSize))
    pipeline = std::make_unique<CipherWriter>(*cipher, dest);
  while (read < sourceSize) {
    const size_t n =
        static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(blockSize), sourceSize - read));
    if (input.size() < n) input.resize(n);
    if (source.Read(input.data(), n) != n) break;
    crc = UpdateCrc(crc, input.data(), static_cast<int64_t>(n));
    const unsigned char* out = input.data();
    size_t outLength = n;
    if (compressor) {
      const bool last = read + static_cast<int64_t>(n) == sourceSize;
      if (!compressor->Block(input.data(), n, last, output, outLength)) break;
      out = output.data();
    }
    if (pipeline) {
      pipeline->Put(out == input.data() ? input : output, outLength);
    } else {
      // Stored bytes are encrypted in place, once their CRC is taken.
      if (cipher) cipher->Encrypt(const_cast<unsigned char*>(out), outLength);
      // The archive refuses the bytes: a write failure, with the system's reason.
      if (dest.Write(out, outLength) != outLength)
        ThrowArchiverError(componentName, 46, {}, StreamError(dest));
    }
    written += outLength;
    read += static_cast<int64_t>(n);
    if (progress && !progress(read)) {
      result.cancelled = true;
      break;
    }
  }
  if (pipeline && !pipeline->Finish()) ThrowArchiverError(componentName, 46, {}, StreamError(dest));
  if (!result.cancelled && read != sourceSize)
    ThrowArchiverError(componentName, 34, {std::to_string(sourceSize), std::to_string(read)},
                       StreamError(source));
  result.crc = ~crc;
  result.compressedSize = written;
  return result;
}

void ReadEntryData(platform::Stream& archive, const TDirItem& e, std::string_view password,
                   platform::Stream& out, const std::string& componentName) {
  const auto bad = [&] { ThrowArchiverError(componentName, 8); };
  unsigned char local[30];
  archive.Seek(static_cast<int64_t>(e.LocalHeaderOffset()), platform::SeekOrigin::Begin);
  if (archive.Read(local, sizeof local) != sizeof local ||
      platform::GetLE32(local) != kLocalHeaderSignature)
    bad();
  const uint16_t nameLength = platform::GetLE16(local + 26),
                 extraLength = platform::GetLE16(local + 28);
  archive.Seek(nameLength + extraLength, platform::SeekOrigin::Current);

  uint64_t left = e.CompressedSize();
  std::unique_ptr<TraditionalCipher> cipher;
  if (e.flags & 1) {
    if (left < kEncryptionHeaderSize) bad();
    cipher = std::make_unique<TraditionalCipher>(password);
    unsigned char header[kEncryptionHeaderSize];
    if (archive.Read(header, sizeof header) != sizeof header) bad();
    cipher->Decrypt(header, sizeof header);
    // The last header byte checks the password: the CRC's high byte, or the
    // time's when sizes and CRC follow the data.
    const uint8_t check =
        (e.flags & 8) ? static_cast<uint8_t>(e.time >> 8) : static_cast<uint8_t>(e.crc >> 24);
    if (header[kEncryptionHeaderSize - 1] != check) bad();
    left -= kEncryptionHeaderSize;
  }
  if (e.method != kMethodStored && e.method != kMethodDeflated) bad();

  z_stream z{};
  const bool inflating = e.method == kMethodDeflated;
  if (inflating && inflateInit2(&z, -15) != Z_OK) bad();
  struct End {
    z_stream& z;
    bool on;
    ~End() {
      if (on) inflateEnd(&z);
    }
  } end{z, inflating};
  std::vector<unsigned char> in(1 << 16), buffer(1 << 17);
  uint32_t crc = kCrcPreset;
  uint64_t produced = 0;
  // Data that goes past the entry's declared size is refused before it is
  // written: a small archive cannot fill the disk.
  const uint64_t declared = e.UncompressedSize();
  const auto take = [&](const unsigned char* bytes, size_t count) {
    if (count > declared - produced) bad();
    crc = UpdateCrc(crc, bytes, static_cast<int64_t>(count));
    out.WriteBuffer(bytes, count);
    produced += count;
  };
  bool finished = !inflating;
  while (left > 0) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(left, in.size()));
    if (archive.Read(in.data(), n) != n) bad();
    left -= n;
    if (cipher) cipher->Decrypt(in.data(), n);
    if (!inflating) {
      take(in.data(), n);
      continue;
    }
    z.next_in = in.data();
    z.avail_in = static_cast<uInt>(n);
    while (z.avail_in > 0 && !finished) {
      z.next_out = buffer.data();
      z.avail_out = static_cast<uInt>(buffer.size());
      const int rc = inflate(&z, Z_NO_FLUSH);
      if (rc != Z_OK && rc != Z_STREAM_END) bad();
      const size_t got = buffer.size() - z.avail_out;
      take(buffer.data(), got);
      if (rc == Z_STREAM_END) finished = true;
      if (got == 0 && rc == Z_OK && z.avail_in > 0 && z.avail_out > 0) bad();
    }
  }
  while (inflating && !finished) {
    // The rest of the output, with no input left.
    z.next_out = buffer.data();
    z.avail_out = static_cast<uInt>(buffer.size());
    const int rc = inflate(&z, Z_FINISH);
    const size_t got = buffer.size() - z.avail_out;
    take(buffer.data(), got);
    if (rc == Z_STREAM_END) break;
    if (got == 0) bad();
  }
  if (produced != e.UncompressedSize() || ~crc != e.crc) bad();
}

}  // namespace kvn::archive
