#include "db/keyset.h"

#include <algorithm>
#include <cassert>

namespace kvn::db {

size_t Keyset::ChunkOf(size_t pos) const {
  assert(pos < m_size);
  size_t c = m_lastChunk;
  if (c < m_chunks.size() && pos >= m_starts[c] && pos < m_starts[c] + m_chunks[c].size()) return c;
  auto it = std::upper_bound(m_starts.begin(), m_starts.end(), pos);
  c = static_cast<size_t>(it - m_starts.begin()) - 1;
  m_lastChunk = c;
  return c;
}

int64_t Keyset::At(size_t pos) const {
  size_t c = ChunkOf(pos);
  return m_chunks[c][pos - m_starts[c]];
}

void Keyset::Restart(size_t fromChunk) {
  m_starts.resize(m_chunks.size());
  size_t start = fromChunk == 0 ? 0 : m_starts[fromChunk - 1] + m_chunks[fromChunk - 1].size();
  for (size_t c = fromChunk; c < m_chunks.size(); ++c) {
    m_starts[c] = start;
    start += m_chunks[c].size();
  }
  m_lastChunk = 0;
}

void Keyset::Insert(size_t pos, int64_t id) {
  assert(pos <= m_size);
  if (m_chunks.empty()) {
    m_chunks.emplace_back();
    m_starts.assign(1, 0);
  }
  size_t c = pos == m_size ? m_chunks.size() - 1 : ChunkOf(pos);
  auto& chunk = m_chunks[c];
  size_t offset = pos - m_starts[c];
  chunk.insert(chunk.begin() + static_cast<ptrdiff_t>(offset), id);
  ++m_size;
  if (chunk.size() > 2 * kChunk) {
    std::vector<int64_t> tail(chunk.begin() + kChunk, chunk.end());
    chunk.resize(kChunk);
    m_chunks.insert(m_chunks.begin() + static_cast<ptrdiff_t>(c) + 1, std::move(tail));
  }
  Restart(c);
}

void Keyset::Erase(size_t pos) {
  size_t c = ChunkOf(pos);
  auto& chunk = m_chunks[c];
  chunk.erase(chunk.begin() + static_cast<ptrdiff_t>(pos - m_starts[c]));
  --m_size;
  if (chunk.empty()) m_chunks.erase(m_chunks.begin() + static_cast<ptrdiff_t>(c));
  Restart(c == 0 ? 0 : c - 1);
}

void Keyset::Clear() {
  m_chunks.clear();
  m_starts.clear();
  m_size = 0;
  m_lastChunk = 0;
}

void Keyset::Append(int64_t id) {
  if (m_chunks.empty() || m_chunks.back().size() >= kChunk) {
    m_starts.push_back(m_size);
    m_chunks.emplace_back();
    m_chunks.back().reserve(kChunk);
  }
  m_chunks.back().push_back(id);
  ++m_size;
}

std::optional<size_t> Keyset::Find(int64_t id, size_t hint) const {
  if (hint < m_size && At(hint) == id) return hint;
  for (size_t c = 0; c < m_chunks.size(); ++c) {
    const auto& chunk = m_chunks[c];
    auto it = std::find(chunk.begin(), chunk.end(), id);
    if (it != chunk.end()) return m_starts[c] + static_cast<size_t>(it - chunk.begin());
  }
  return std::nullopt;
}

void Keyset::Slice(size_t from, size_t count, std::vector<int64_t>& out) const {
  out.clear();
  if (from >= m_size) return;
  count = std::min(count, m_size - from);
  out.reserve(count);
  size_t c = ChunkOf(from);
  size_t offset = from - m_starts[c];
  while (out.size() < count) {
    const auto& chunk = m_chunks[c];
    size_t take = std::min(chunk.size() - offset, count - out.size());
    out.insert(out.end(), chunk.begin() + static_cast<ptrdiff_t>(offset),
               chunk.begin() + static_cast<ptrdiff_t>(offset + take));
    ++c;
    offset = 0;
  }
}

}  // namespace kvn::db
