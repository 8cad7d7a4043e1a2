#include "export/xls/shared_strings.h"

#include <algorithm>
#include <array>
#include <functional>

#include "export/xls/biff_stream.h"
#include "export/xls/style_records.h"
#include "platform/codepage.h"
#include "platform/endian.h"

namespace kvn::exporting {

uint32_t SharedStringTable::Add(std::string_view text) {
  ++m_textCells;
  // At most half full: probes stay short.
  if (2 * (m_strings.size() + 1) > m_slots.size()) Grow();
  const size_t hash = std::hash<std::string_view>()(text);
  const auto high = static_cast<uint32_t>(static_cast<uint64_t>(hash) >> 32);
  const size_t mask = m_slots.size() - 1;
  size_t at = hash & mask;
  for (; m_slots[at].index != 0; at = (at + 1) & mask)
    if (m_slots[at].hash == high && m_strings[m_slots[at].index - 1] == text)
      return m_slots[at].index - 1;
  const auto index = static_cast<uint32_t>(m_strings.size());
  m_strings.push_back(Keep(text));
  m_hashes.push_back(hash);
  m_slots[at] = {index + 1, high};
  return index;
}

void SharedStringTable::Grow() {
  std::vector<Slot> slots(std::max<size_t>(1 << 12, 2 * m_slots.size()));
  const size_t mask = slots.size() - 1;
  // Each text's hash is the one kept: long texts are not read again.
  for (uint32_t i = 0; i < m_strings.size(); ++i) {
    const size_t hash = m_hashes[i];
    size_t at = hash & mask;
    while (slots[at].index != 0) at = (at + 1) & mask;
    slots[at] = {i + 1, static_cast<uint32_t>(static_cast<uint64_t>(hash) >> 32)};
  }
  m_slots = std::move(slots);
}

std::string_view SharedStringTable::Keep(std::string_view text) {
  constexpr size_t kBlock = 1 << 20;
  if (text.size() > m_blockFree) {
    const size_t size = std::max(kBlock, text.size());
    m_blocks.push_back(std::make_unique_for_overwrite<char[]>(size));
    m_blockAt = m_blocks.back().get();
    m_blockFree = size;
  }
  std::copy(text.begin(), text.end(), m_blockAt);
  std::string_view kept(m_blockAt, text.size());
  m_blockAt += text.size();
  m_blockFree -= text.size();
  return kept;
}

void SharedStringTable::Clear() {
  m_slots.clear();
  m_strings.clear();
  m_hashes.clear();
  m_blocks.clear();
  m_blockFree = 0;
  m_blockAt = nullptr;
  m_textCells = 0;
}

std::string SharedStringTable::Block() const {
  // The whole block at once: a text takes at most two bytes per byte of
  // UTF-8, its header three, and each record five of its own.
  size_t bound = 8;
  for (std::string_view text : m_strings) bound += 3 + 2 * text.size();
  std::string out;
  out.reserve(bound + (bound / (kMaxRecordBody - 5) + 1) * 5 + 16);
  std::string body;
  body.reserve(kMaxRecordBody);
  uint16_t number = kRecSst;
  auto close = [&] {
    AppendRecord(out, number, body);
    body.clear();
    number = kRecContinue;
  };
  auto room = [&] { return kMaxRecordBody - body.size(); };
  auto chars = [&](std::u16string_view s) {
    for (char16_t u : s) platform::AppendLE16(body, static_cast<uint16_t>(u));
  };

  platform::AppendLE32(body, m_textCells);
  platform::AppendLE32(body, static_cast<uint32_t>(m_strings.size()));
  std::u16string units;
  for (std::string_view text : m_strings) {
    units = XlsUnits(text);
    std::u16string_view s = units;
    const size_t entry = 3 + 2 * s.size();
    if (entry > room() && entry <= kMaxRecordBody) close();
    if (entry <= room()) {
      platform::AppendLE16(body, static_cast<uint16_t>(s.size()));
      body += '\x01';
      chars(s);
      continue;
    }
    // A text longer than a record: the header and the first characters where
    // they fit, then the rest in the next records, each opened by the option
    // byte; no split falls inside a character (nor between the two halves of
    // a pair).
    const auto fitting = [&s](size_t n) {
      return n > 0 && n < s.size() && s[n - 1] >= 0xD800 && s[n - 1] <= 0xDBFF ? n - 1 : n;
    };
    if (room() < 5) close();
    platform::AppendLE16(body, static_cast<uint16_t>(s.size()));
    body += '\x01';
    size_t n = fitting(room() / 2);
    chars(s.substr(0, n));
    s.remove_prefix(n);
    while (!s.empty()) {
      close();
      body += '\x01';
      n = fitting(std::min(s.size(), room() / 2));
      chars(s.substr(0, n));
      s.remove_prefix(n);
    }
  }
  close();
  return out;
}

}  // namespace kvn::exporting
