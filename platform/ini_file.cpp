#include "platform/ini_file.h"

// Only the 8-bit interface is used: no wide-character converter.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/codepage.h"
#include "platform/conversions.h"
#include "platform/error.h"
#include "platform/format.h"
#include "platform/output_file.h"
#include "platform/strings.h"
#include "platform/sys_error.h"

namespace kvn::platform {

struct IniFile::Parsed {
  // Case-insensitive names; duplicate keys are kept so the first one answers.
  CSimpleIniA ini{false, true, false};
};

namespace {

struct Line {
  size_t begin;  // offset of the first character
  size_t end;    // offset of the line end (before CR LF / LF)
  size_t next;   // offset of the following line
};

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// The lines of the text, as the reader sees them: a line ends with LF, CR LF
// or a CR alone; a UTF-8 byte order mark before the first is no part of it.
std::vector<Line> SplitLines(const std::string& text) {
  std::vector<Line> lines;
  size_t pos = text.starts_with(kBom) ? kBom.size() : 0;
  while (pos < text.size()) {
    const size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
    size_t next = end;
    if (next < text.size())
      next += text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n' ? 2 : 1;
    lines.push_back({pos, end, next});
    pos = next;
  }
  return lines;
}

bool SectionName(std::string_view line, std::string_view& name) {
  std::string_view t = Trim(line);
  if (t.empty() || t[0] != '[') return false;
  size_t close = t.find(']');
  if (close == std::string_view::npos) return false;
  name = Trim(t.substr(1, close - 1));
  return true;
}

bool KeyName(std::string_view line, std::string_view& name) {
  std::string_view t = TrimLeft(line);
  if (t.empty() || t[0] == ';') return false;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return false;
  name = Trim(t.substr(0, eq));
  return true;
}

// Span of the first section of this name: the header line index and the index
// one past its last line; header == npos when absent.
struct SectionSpan {
  size_t header = std::string::npos;
  size_t end = 0;
};

SectionSpan FindSection(const std::string& text, const std::vector<Line>& lines,
                        std::string_view section) {
  SectionSpan span;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view name;
    std::string_view line(text.data() + lines[i].begin, lines[i].end - lines[i].begin);
    if (!SectionName(line, name)) continue;
    if (span.header != std::string::npos) {
      span.end = i;
      return span;
    }
    if (EqualsNoCase(name, section)) span.header = i;
  }
  span.end = lines.size();
  return span;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

IniFile::IniFile(std::string path, OutputOptions writeOptions)
    : m_path(std::move(path)), m_writeOptions(writeOptions), m_parsed(new Parsed) {
  std::ifstream in(m_path, std::ios::binary);
  if (in) {
    std::ostringstream buf;
    buf << in.rdbuf();
    if (in.bad()) throw Error(Subst("Impossible de lire le fichier \"%s\".", {m_path}));
    m_text = buf.str();
  }
  Reparse();
}

IniFile::~IniFile() = default;

bool IniFile::IsText() const {
  for (unsigned char c : m_text)
    if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') return false;
  return IsValidUtf8(m_text);
}

namespace {

// The text as the reader is given it: a line that opens a section name
// without closing it is a comment (the reader would take the lines after it
// into the name, and a key the writer adds there could not be read back).
std::string ForReader(const std::string& text) {
  std::string out = text;
  const std::vector<Line> lines = SplitLines(text);
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    const std::string_view trimmed =
        Trim(std::string_view(text).substr(line->begin, line->end - line->begin));
    if (!trimmed.empty() && trimmed.front() == '[' && trimmed.find(']') == std::string_view::npos)
      out.insert(line->begin, 1, ';');
  }
  return out;
}

}  // namespace

void IniFile::Reparse() {
  m_parsed->ini.Reset();
  if (m_text.empty()) return;
  const std::string text = ForReader(m_text);
  m_parsed->ini.LoadData(text.data(), text.size());
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
  std::string s(section), k(key);
  const char* v = m_parsed->ini.GetValue(s.c_str(), k.c_str(), nullptr);
  if (!v) return std::string(defaultValue);
  return std::string(Unquote(Trim(v)));
}

int64_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                             int64_t defaultValue) const {
  std::string text = ReadString(section, key, "");
  if (text.empty()) return defaultValue;
  return TryStrToInt64(text).value_or(defaultValue);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

double IniFile::ReadFloat(std::string_view section, std::string_view key,
                          double defaultValue) const {
  std::string text = ReadString(section, key, "");
  if (text.empty()) return defaultValue;
  return TryStrToFloat(text).value_or(defaultValue);
}

bool IniFile::SectionExists(std::string_view section) const {
  std::string s(section);
  return m_parsed->ini.GetSection(s.c_str()) != nullptr;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  std::string s(section), k(key);
  return m_parsed->ini.GetValue(s.c_str(), k.c_str(), nullptr) != nullptr;
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> keys;
  std::string s(section);
  CSimpleIniA::TNamesDepend names;
  m_parsed->ini.GetAllKeys(s.c_str(), names);
  names.sort(CSimpleIniA::Entry::LoadOrder());
  for (const auto& e : names) {
    bool seen = false;
    for (const auto& k : keys) seen = seen || EqualsNoCase(k, e.pItem);
    if (!seen) keys.emplace_back(e.pItem);
  }
  return keys;
}

std::vector<std::string> IniFile::ReadSections() const {
  std::vector<std::string> sections;
  CSimpleIniA::TNamesDepend names;
  m_parsed->ini.GetAllSections(names);
  names.sort(CSimpleIniA::Entry::LoadOrder());
  for (const auto& e : names)
    if (e.pItem && *e.pItem) sections.emplace_back(e.pItem);
  return sections;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::vector<Line> lines = SplitLines(m_text);
  const std::string eol = m_text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  std::string entry = std::string(key) + "=" + std::string(value);
  SectionSpan span = FindSection(m_text, lines, section);
  if (span.header == std::string::npos) {
    std::string add;
    if (!m_text.empty() && m_text.back() != '\n') add += eol;
    add += "[" + std::string(section) + "]" + eol + entry + eol;
    m_text += add;
  } else {
    size_t insertAt = lines[span.header].next;
    bool replaced = false;
    for (size_t i = span.header + 1; i < span.end; ++i) {
      std::string_view line(m_text.data() + lines[i].begin, lines[i].end - lines[i].begin);
      std::string_view name;
      if (KeyName(line, name) && EqualsNoCase(name, key)) {
        m_text.replace(lines[i].begin, lines[i].end - lines[i].begin, entry);
        replaced = true;
        break;
      }
      if (!Trim(line).empty()) insertAt = lines[i].next;
    }
    if (!replaced) {
      std::string add = entry + eol;
      // The last line of the file may lack its line end.
      if (insertAt == m_text.size() && !m_text.empty() && m_text.back() != '\n') add = eol + add;
      m_text.insert(insertAt, add);
    }
  }
  Store();
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::WriteFloat(std::string_view section, std::string_view key, double value,
                         std::string_view picture) {
  WriteString(section, key, picture.empty() ? FloatToStr(value) : FormatFloat(picture, value));
}

void IniFile::EraseSection(std::string_view section) {
  bool changed = false;
  for (;;) {
    std::vector<Line> lines = SplitLines(m_text);
    SectionSpan span = FindSection(m_text, lines, section);
    if (span.header == std::string::npos) break;
    size_t from = lines[span.header].begin;
    size_t to = span.end < lines.size() ? lines[span.end].begin : m_text.size();
    m_text.erase(from, to - from);
    changed = true;
  }
  if (changed) Store();
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
  std::vector<Line> lines = SplitLines(m_text);
  SectionSpan span = FindSection(m_text, lines, section);
  if (span.header == std::string::npos) return;
  for (size_t i = span.header + 1; i < span.end; ++i) {
    std::string_view line(m_text.data() + lines[i].begin, lines[i].end - lines[i].begin);
    std::string_view name;
    if (KeyName(line, name) && EqualsNoCase(name, key)) {
      m_text.erase(lines[i].begin, lines[i].next - lines[i].begin);
      Store();
      return;
    }
  }
}

void IniFile::EndUpdate() {
  if (m_updating > 0 && --m_updating == 0 && m_pending) {
    m_pending = false;
    Store();
  }
}

void IniFile::Store() {
  Reparse();
  if (m_updating > 0) {
    m_pending = true;
    return;
  }
  // Written under a temporary name: a full disk or a kill never leaves a
  // truncated settings file.
  OutputFile out(m_path, m_writeOptions);
  out.Stream().WriteString(m_text);
  out.Commit();
}

}  // namespace kvn::platform
