// The workbook stream being built in memory: records framed as number, length
// and body, each body filled in one record buffer; positions remembered for the
// patches of the end phase.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/endian.h"

namespace kvn::exporting {

// The longest record body this file format allows.
constexpr size_t kMaxRecordBody = 8224;

// Fills the record buffer field by field, little-endian; what it does not set
// is zero.
class RecordBody {
 public:
  explicit RecordBody(uint8_t* buffer, size_t length) : m_p(buffer), m_length(length) {
    std::memset(buffer, 0, length);
  }
  RecordBody& U8(uint8_t v) {
    m_p[m_at++] = v;
    return *this;
  }
  RecordBody& U16(uint16_t v) {
    platform::PutLE16(m_p + m_at, v);
    m_at += 2;
    return *this;
  }
  RecordBody& U32(uint32_t v) {
    platform::PutLE32(m_p + m_at, v);
    m_at += 4;
    return *this;
  }
  RecordBody& Double(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    platform::PutLE64(m_p + m_at, bits);
    m_at += 8;
    return *this;
  }
  RecordBody& Bytes(std::string_view bytes) {
    std::memcpy(m_p + m_at, bytes.data(), bytes.size());
    m_at += bytes.size();
    return *this;
  }
  // Moves on without writing (the bytes stay as they are).
  RecordBody& Skip(size_t n) {
    m_at += n;
    return *this;
  }
  size_t Written() const { return m_at; }
  size_t Length() const { return m_length; }

 private:
  uint8_t* m_p;
  size_t m_length;
  size_t m_at = 0;
};

// The stream is kept in chunks of a few megabytes, each filled before the
// next is made: a growing workbook is never copied to a larger buffer, and a
// record never straddles two chunks.
class BiffStream {
 public:
  BiffStream() : m_buffer(kMaxRecordBody) {}

  // A zeroed body of `length` bytes in the record buffer, to be filled and then
  // written with WriteRecord.
  RecordBody Body(size_t length) { return RecordBody(m_buffer.data(), length); }
  uint8_t* Buffer() { return m_buffer.data(); }

  // Appends the header and the first `length` bytes of the record buffer.
  void WriteRecord(uint16_t number, uint16_t length) {
    if (m_chunks.empty() || m_chunks.back().capacity() - m_chunks.back().size() < 4u + length) {
      m_starts.push_back(m_size);
      m_chunks.emplace_back().reserve(kChunk);
    }
    std::string& chunk = m_chunks.back();
    char header[4];
    platform::PutLE16(reinterpret_cast<uint8_t*>(header), number);
    platform::PutLE16(reinterpret_cast<uint8_t*>(header) + 2, length);
    chunk.append(header, 4);
    chunk.append(reinterpret_cast<const char*>(m_buffer.data()), length);
    m_size += 4 + length;
  }
  // A record whose body is one u16.
  void WriteWordRecord(uint16_t number, uint16_t value) {
    Body(2).U16(value);
    WriteRecord(number, 2);
  }

  // The end of the stream, where the next record goes.
  int64_t CurrentPosition() const { return m_size; }

  // Fields lie inside one record, so inside one chunk.
  void Patch16(int64_t at, uint16_t v) { platform::PutLE16(At(at), v); }
  void Patch32(int64_t at, uint32_t v) { platform::PutLE32(At(at), v); }
  uint32_t Read32(int64_t at) const { return platform::GetLE32(At(at)); }

  // The bytes from `from` to `to`, chunk by chunk, added to `views`.
  void Views(int64_t from, int64_t to, std::vector<std::string_view>& views) const {
    for (size_t c = 0; c < m_chunks.size() && from < to; ++c) {
      const int64_t start = m_starts[c], end = start + static_cast<int64_t>(m_chunks[c].size());
      if (end <= from) continue;
      const int64_t stop = std::min(end, to);
      views.push_back(
          std::string_view(m_chunks[c])
              .substr(static_cast<size_t>(from - start), static_cast<size_t>(stop - from)));
      from = stop;
    }
  }

 private:
  static constexpr size_t kChunk = 4 << 20;
  size_t ChunkOf(int64_t at) const {
    return static_cast<size_t>(std::upper_bound(m_starts.begin(), m_starts.end(), at) -
                               m_starts.begin() - 1);
  }
  uint8_t* At(int64_t at) {
    const size_t c = ChunkOf(at);
    return reinterpret_cast<uint8_t*>(m_chunks[c].data()) + (at - m_starts[c]);
  }
  const uint8_t* At(int64_t at) const {
    const size_t c = ChunkOf(at);
    return reinterpret_cast<const uint8_t*>(m_chunks[c].data()) + (at - m_starts[c]);
  }

  std::vector<std::string> m_chunks;
  std::vector<int64_t> m_starts;  // each chunk's position in the stream
  int64_t m_size = 0;
  std::vector<uint8_t> m_buffer;
};

// Appends one record (header and body) to a byte string, for the blocks built
// apart and inserted at the end.
inline void AppendRecord(std::string& out, uint16_t number, std::string_view body) {
  platform::AppendLE16(out, number);
  platform::AppendLE16(out, static_cast<uint16_t>(body.size()));
  out.append(body);
}

}  // namespace kvn::exporting
