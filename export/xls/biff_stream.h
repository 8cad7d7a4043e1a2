// The workbook stream being built in memory: records framed as number, length
// and body, each body filled in one record buffer; positions remembered for the
// patches and insertions of the end phase.
#pragma once

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

class BiffStream {
 public:
  BiffStream() : m_buffer(kMaxRecordBody) {}

  // A zeroed body of `length` bytes in the record buffer, to be filled and then
  // written with WriteRecord.
  RecordBody Body(size_t length) { return RecordBody(m_buffer.data(), length); }
  uint8_t* Buffer() { return m_buffer.data(); }

  // Appends the header and the first `length` bytes of the record buffer.
  void WriteRecord(uint16_t number, uint16_t length) {
    char header[4];
    platform::PutLE16(reinterpret_cast<uint8_t*>(header), number);
    platform::PutLE16(reinterpret_cast<uint8_t*>(header) + 2, length);
    m_data.append(header, 4);
    m_data.append(reinterpret_cast<const char*>(m_buffer.data()), length);
  }
  // A record whose body is one u16.
  void WriteWordRecord(uint16_t number, uint16_t value) {
    Body(2).U16(value);
    WriteRecord(number, 2);
  }

  // The end of the stream, where the next record goes.
  int64_t CurrentPosition() const { return static_cast<int64_t>(m_data.size()); }

  void Patch16(int64_t at, uint16_t v) { platform::PutLE16(At(at), v); }
  void Patch32(int64_t at, uint32_t v) { platform::PutLE32(At(at), v); }
  uint32_t Read32(int64_t at) const {
    return platform::GetLE32(reinterpret_cast<const uint8_t*>(m_data.data()) + at);
  }
  // Opens a gap at `at` holding `bytes`; what followed moves forward.
  void Insert(int64_t at, std::string_view bytes) { m_data.insert(static_cast<size_t>(at), bytes); }

  const std::string& Bytes() const { return m_data; }
  void Reserve(size_t n) { m_data.reserve(n); }

 private:
  uint8_t* At(int64_t at) { return reinterpret_cast<uint8_t*>(m_data.data()) + at; }

  std::string m_data;
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
