#include "platform/text_encoder.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/strings.h"

namespace kvn::platform {

namespace {

iconv_t Open(const std::string& to) {
  iconv_t cd = iconv_open(to.c_str(), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1))
    throw Error(Subst(
        "Encodage inconnu : « %s » (le système ne sait pas écrire ce jeu de caractères).", {to}));
  return cd;
}

iconv_t Cd(void* p) {
  return static_cast<iconv_t>(p);
}

std::string Folded(std::string_view name) {
  std::string out;
  for (char c : Trim(name))
    if (c != '-' && c != '_') out += AsciiLower(c);
  return out;
}

}  // namespace

bool TextEncoder::IsUtf8Name(std::string_view name) {
  return Folded(name) == "utf8";
}

bool TextEncoder::IsCp1252Name(std::string_view name) {
  const std::string f = Folded(name);
  return f == "cp1252" || f == "windows1252" || f == "mswindows1252";
}

TextEncoder::TextEncoder(std::string_view encoding, Unholdable unholdable)
    : m_name(encoding), m_unholdable(unholdable) {
  if (IsUtf8Name(m_name)) {
    m_kind = Kind::Utf8;
    return;
  }
  if (IsCp1252Name(m_name)) {
    m_kind = Kind::Cp1252;
    return;
  }
  m_convert = Open(m_name);
  m_probe = Open(m_name);
  const std::string ascii = "<?xml ABCabc019;&#\r\n";
  std::string out;
  char* in = const_cast<char*>(ascii.data());
  size_t inLeft = ascii.size();
  char buffer[64];
  char* outp = buffer;
  size_t outLeft = sizeof buffer;
  if (iconv(Cd(m_probe), &in, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1))
    m_asciiItself = std::string_view(buffer, static_cast<size_t>(outp - buffer)) == ascii;
}

TextEncoder::~TextEncoder() {
  if (m_convert) iconv_close(Cd(m_convert));
  if (m_probe) iconv_close(Cd(m_probe));
}

bool TextEncoder::CanHold(char32_t cp) {
  switch (m_kind) {
    case Kind::Utf8:
      return true;
    case Kind::Cp1252:
      return cp < 0x80 || Cp1252FromUnicode(cp) != '?';
    case Kind::Other:
      break;
  }
  if (auto it = m_holds.find(cp); it != m_holds.end()) return it->second;
  std::string utf8;
  AppendUtf8(utf8, cp);
  char out[32];
  char* in = utf8.data();
  size_t inLeft = utf8.size();
  char* outp = out;
  size_t outLeft = sizeof out;
  iconv(Cd(m_probe), nullptr, nullptr, nullptr, nullptr);
  const bool holds =
      iconv(Cd(m_probe), &in, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1) && inLeft == 0;
  m_holds.emplace(cp, holds);
  return holds;
}

void TextEncoder::Unheld(char32_t cp, std::string& out) {
  // A reference keeps the character: only a question mark loses one.
  if (m_unholdable == Unholdable::Reference) {
    out += "&#";
    out += std::to_string(static_cast<uint32_t>(cp));
    out += ';';
  } else {
    ++m_replaced;
    out += '?';
  }
}

void TextEncoder::Append(std::string_view utf8, std::string& out) {
  if (m_kind == Kind::Utf8) {
    out.append(utf8);
    return;
  }
  if (m_kind == Kind::Cp1252) {
    const size_t n = utf8.size();
    size_t i = 0;
    while (i < n) {
      // ASCII runs are copied whole, eight bytes checked at a time.
      size_t j = i;
      while (j + 8 <= n) {
        uint64_t word;
        std::memcpy(&word, utf8.data() + j, 8);
        if (word & 0x8080808080808080ull) break;
        j += 8;
      }
      while (j < n && static_cast<unsigned char>(utf8[j]) < 0x80) ++j;
      out.append(utf8.data() + i, j - i);
      i = j;
      if (i == n) break;
      const char32_t cp = DecodeUtf8(utf8, i);
      const char c = Cp1252FromUnicode(cp);
      if (c == '?')
        Unheld(cp, out);
      else
        out += c;
    }
    return;
  }
  // Any other encoding: what it cannot hold is replaced first, then iconv
  // converts the whole text.
  m_clean.clear();
  for (size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      m_clean += static_cast<char>(b);
      ++i;
      continue;
    }
    const size_t start = i;
    const char32_t cp = DecodeUtf8(utf8, i);
    if (cp != 0xFFFD && CanHold(cp))
      m_clean.append(utf8.substr(start, i - start));
    else
      Unheld(cp, m_clean);
  }
  char* in = m_clean.data();
  size_t inLeft = m_clean.size();
  while (inLeft > 0) {
    char buffer[4096];
    char* outp = buffer;
    size_t outLeft = sizeof buffer;
    const size_t r = iconv(Cd(m_convert), &in, &inLeft, &outp, &outLeft);
    out.append(buffer, static_cast<size_t>(outp - buffer));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // A character iconv refuses after all: "?" in its place.
      ++in;
      --inLeft;
      ++m_replaced;
      std::string q = "?";
      char* qin = q.data();
      size_t qLeft = 1;
      outp = buffer;
      outLeft = sizeof buffer;
      iconv(Cd(m_convert), &qin, &qLeft, &outp, &outLeft);
      out.append(buffer, static_cast<size_t>(outp - buffer));
      while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80) ++in, --inLeft;
    }
  }
}

std::string TextEncoder::Finish() {
  if (m_kind != Kind::Other) return {};
  char buffer[64];
  char* outp = buffer;
  size_t outLeft = sizeof buffer;
  iconv(Cd(m_convert), nullptr, nullptr, &outp, &outLeft);
  return std::string(buffer, static_cast<size_t>(outp - buffer));
}

}  // namespace kvn::platform
