#include "platform/codepage.h"

#include <iconv.h>

#include <array>
#include <cstring>
#include <vector>

#include "platform/error.h"

namespace kvn::platform {
namespace {

// Code point of each byte of an 8-bit code page, read from iconv; bytes the
// charset leaves undefined keep their own value.
std::array<char32_t, 256> TableFromIconv(const char* charset) {
  std::array<char32_t, 256> table{};
  iconv_t cd = iconv_open("UTF-32LE", charset);
  if (cd == reinterpret_cast<iconv_t>(-1))
    throw Error(std::string("Jeu de caractères non disponible : ") + charset);
  for (int b = 0; b < 256; ++b) {
    char in = static_cast<char>(b);
    unsigned char out[8] = {};
    char* inp = &in;
    size_t inLeft = 1;
    char* outp = reinterpret_cast<char*>(out);
    size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    if (r == static_cast<size_t>(-1) || outLeft != 4) {
      table[b] = static_cast<char32_t>(b);
    } else {
      table[b] = static_cast<char32_t>(out[0] | (out[1] << 8) | (out[2] << 16) | (out[3] << 24));
    }
  }
  iconv_close(cd);
  return table;
}

struct CodePage {
  std::array<char32_t, 256> toUnicode;
  // Byte of each code point of the Basic Multilingual Plane; 0 for none.
  std::vector<unsigned char> fromUnicode;

  explicit CodePage(const char* charset)
      : toUnicode(TableFromIconv(charset)), fromUnicode(0x10000, 0) {
    for (int b = 255; b >= 1; --b)
      if (toUnicode[b] < 0x10000) fromUnicode[toUnicode[b]] = static_cast<unsigned char>(b);
  }

  char From(char32_t cp) const {
    if (cp < 0x80) return static_cast<char>(cp);
    if (cp >= 0x10000 || fromUnicode[cp] == 0) return '?';
    return static_cast<char>(fromUnicode[cp]);
  }
};

const CodePage& Cp1252() {
  static const CodePage page = [] {
    CodePage p("CP1252");
    // The narrow no-break space that French locales use as thousands separator.
    p.fromUnicode[0x202F] = 0xA0;
    return p;
  }();
  return page;
}

const CodePage& Cp850() {
  static const CodePage page("CP850");
  return page;
}

std::string FromUtf8(std::string_view utf8, const CodePage& page) {
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    auto c = static_cast<unsigned char>(utf8[pos]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++pos;
      continue;
    }
    out += page.From(DecodeUtf8(utf8, pos));
  }
  return out;
}

std::string ToUtf8(std::string_view bytes, const CodePage& page) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x80)
      out += c;
    else
      AppendUtf8(out, page.toUnicode[b]);
  }
  return out;
}

std::string Recode(std::string_view bytes, const CodePage& from, const CodePage& to) {
  std::string out(bytes);
  for (char& c : out) {
    auto b = static_cast<unsigned char>(c);
    if (b >= 0x80) c = to.From(from.toUnicode[b]);
  }
  return out;
}

}  // namespace

bool IsKnownEncoding(std::string_view name) {
  if (name.empty() || name.size() > 64) return false;
  const std::string charset(name);
  iconv_t cd = iconv_open("UTF-8", charset.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(cd);
  return true;
}

bool IsAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t DecodeUtf8(std::string_view text, size_t& pos) {
  auto c = static_cast<unsigned char>(text[pos]);
  int extra;
  char32_t cp;
  if (c < 0x80) {
    ++pos;
    return c;
  } else if (c >= 0xC2 && c <= 0xDF) {
    extra = 1;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    extra = 2;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    extra = 3;
    cp = c & 0x07;
  } else {
    ++pos;
    return 0xFFFD;
  }
  if (pos + extra >= text.size()) {
    ++pos;
    return 0xFFFD;
  }
  for (int i = 1; i <= extra; ++i) {
    auto n = static_cast<unsigned char>(text[pos + i]);
    if ((n & 0xC0) != 0x80) {
      ++pos;
      return 0xFFFD;
    }
    cp = (cp << 6) | (n & 0x3F);
  }
  // Overlong forms and surrogates are invalid.
  if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return 0xFFFD;
  }
  pos += extra + 1;
  return cp;
}

bool IsValidUtf8(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t before = pos;
    if (DecodeUtf8(text, pos) == 0xFFFD && pos == before + 1 &&
        static_cast<unsigned char>(text[before]) >= 0x80)
      return false;
  }
  return true;
}

char32_t Cp1252ToUnicode(unsigned char byte) {
  return Cp1252().toUnicode[byte];
}
char Cp1252FromUnicode(char32_t cp) {
  return Cp1252().From(cp);
}

namespace {

unsigned char Cp1252Upper(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
  switch (c) {
    case 0x9A:
      return 0x8A;  // s caron
    case 0x9C:
      return 0x8C;  // oe
    case 0x9E:
      return 0x8E;  // z caron
    case 0xFF:
      return 0x9F;  // y diaeresis
    default:
      return c;
  }
}

}  // namespace

std::string Cp1252UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(Cp1252Upper(static_cast<unsigned char>(c)));
  return out;
}

bool Cp1252EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Cp1252Upper(static_cast<unsigned char>(a[i])) !=
        Cp1252Upper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string Utf8UpperCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      out += static_cast<char>(Cp1252Upper(b));
      ++i;
      continue;
    }
    const size_t start = i;
    const char32_t cp = DecodeUtf8(utf8, i);
    const char c = Cp1252FromUnicode(cp);
    if (c == '?')
      out.append(utf8.substr(start, i - start));
    else
      AppendUtf8(out, Cp1252ToUnicode(Cp1252Upper(static_cast<unsigned char>(c))));
  }
  return out;
}

bool Utf8EqualsNoCase(std::string_view a, std::string_view b) {
  if (IsAscii(a) && IsAscii(b)) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (Cp1252Upper(static_cast<unsigned char>(a[i])) !=
          Cp1252Upper(static_cast<unsigned char>(b[i])))
        return false;
    return true;
  }
  return Utf8UpperCase(a) == Utf8UpperCase(b);
}

size_t Utf8Length(std::string_view utf8) {
  size_t n = 0;
  for (char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

std::string Utf8ToCp1252(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  return FromUtf8(utf8, Cp1252());
}

void ConvertUtf8ToCp1252(std::string& text) {
  if (IsAscii(text)) return;
  // Never longer than the UTF-8 text: converted where it stands.
  const CodePage& page = Cp1252();
  size_t in = 0, out = 0;
  while (in < text.size()) {
    auto c = static_cast<unsigned char>(text[in]);
    if (c < 0x80) {
      text[out++] = static_cast<char>(c);
      ++in;
    } else {
      text[out++] = page.From(DecodeUtf8(text, in));
    }
  }
  text.resize(out);
}

std::string Cp1252ToUtf8(std::string_view cp1252) {
  if (IsAscii(cp1252)) return std::string(cp1252);
  return ToUtf8(cp1252, Cp1252());
}

std::string Cp1252ToCp850(std::string_view cp1252) {
  return Recode(cp1252, Cp1252(), Cp850());
}
std::string Cp850ToCp1252(std::string_view cp850) {
  return Recode(cp850, Cp850(), Cp1252());
}

std::string Utf8ToCp850(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  return FromUtf8(utf8, Cp850());
}

std::string Cp850ToUtf8(std::string_view cp850) {
  if (IsAscii(cp850)) return std::string(cp850);
  return ToUtf8(cp850, Cp850());
}

}  // namespace kvn::platform
