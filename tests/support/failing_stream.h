// A memory stream that fails its Nth write (or read), to drive error paths.
#pragma once

#include "platform/stream.h"

namespace kvn::test {

class FailingStream : public platform::MemoryStream {
 public:
  // failWrite: number of the write call that fails (1 = the first); 0 never.
  explicit FailingStream(int failWrite, int failRead = 0)
      : m_failWrite(failWrite), m_failRead(failRead) {}
  size_t Write(const void* buffer, size_t count) override {
    if (m_failWrite && ++m_writes >= m_failWrite) return 0;
    return MemoryStream::Write(buffer, count);
  }
  size_t Read(void* buffer, size_t count) override {
    if (m_failRead && ++m_reads >= m_failRead) return 0;
    return MemoryStream::Read(buffer, count);
  }
  int Writes() const { return m_writes; }

 private:
  int m_failWrite, m_failRead;
  int m_writes = 0, m_reads = 0;
};

}  // namespace kvn::test
