// The ordered row ids of a cursor, kept in chunks so that inserting or removing
// one id costs a small copy whatever the number of rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kvn::db {

class Keyset {
 public:
  size_t Size() const { return m_size; }
  bool Empty() const { return m_size == 0; }
  int64_t At(size_t pos) const;
  void Insert(size_t pos, int64_t id);
  void Erase(size_t pos);
  void Clear();
  // Appends while loading; call Seal once done.
  void Append(int64_t id);
  // Position of an id, trying hint first; nullopt when absent.
  std::optional<size_t> Find(int64_t id, size_t hint = 0) const;
  // Copies positions [from, from + count) into out.
  void Slice(size_t from, size_t count, std::vector<int64_t>& out) const;

 private:
  static constexpr size_t kChunk = 4096;
  size_t ChunkOf(size_t pos) const;
  void Restart(size_t fromChunk);

  std::vector<std::vector<int64_t>> m_chunks;
  std::vector<size_t> m_starts;  // position of each chunk's first id
  size_t m_size = 0;
  mutable size_t m_lastChunk = 0;
};

}  // namespace kvn::db
