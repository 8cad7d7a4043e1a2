#include "export/xls/shared_strings.h"

#include <array>

#include "export/xls/biff_stream.h"
#include "export/xls/style_records.h"
#include "platform/codepage.h"
#include "platform/endian.h"

namespace kvn::exporting {

uint32_t SharedStringTable::Add(std::string_view text) {
  ++m_textCells;
  if (auto it = m_index.find(text); it != m_index.end()) return it->second;
  const auto index = static_cast<uint32_t>(m_strings.size());
  const std::string_view kept = Keep(text);
  m_index.emplace(kept, index);
  m_strings.push_back(kept);
  return index;
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
  m_index.clear();
  m_strings.clear();
  m_blocks.clear();
  m_blockFree = 0;
  m_blockAt = nullptr;
  m_textCells = 0;
}

std::string SharedStringTable::Block() const {
  std::string out;
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
