// UTF-8 text written in another encoding (Windows-1252, ISO-8859-15, UTF-16,
// US-ASCII... any iconv knows). What the encoding cannot hold is written the
// way the format allows — a character reference, or "?" — and counted, so the
// export can say what it replaced.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kvn::platform {

class TextEncoder {
 public:
  // How a character the encoding cannot hold is written.
  enum class Unholdable { Question, Reference };

  // Throws Error, in French, when iconv knows no encoding by that name.
  explicit TextEncoder(std::string_view encoding, Unholdable unholdable = Unholdable::Question);
  ~TextEncoder();
  TextEncoder(const TextEncoder&) = delete;
  TextEncoder& operator=(const TextEncoder&) = delete;

  const std::string& Name() const { return m_name; }
  // UTF-8 itself: the text is written as it is.
  bool IsUtf8() const { return m_kind == Kind::Utf8; }
  // Whether the encoding has the character.
  bool CanHold(char32_t cp);
  // Appends the encoded form of utf8 to out.
  void Append(std::string_view utf8, std::string& out);
  std::string Encode(std::string_view utf8) {
    std::string out;
    Append(utf8, out);
    return out;
  }
  // Whether plain ASCII text is written byte for byte (no conversion needed).
  bool AsciiIsItself() const { return m_kind != Kind::Other || m_asciiItself; }
  // The bytes that end the text (a stateful encoding's return to its initial
  // state); nothing for most encodings.
  std::string Finish();
  // Characters written as "?" so far (references lose nothing).
  int64_t Replaced() const { return m_replaced; }
  // Counts a "?" the format wrote itself, for a character it cannot show.
  void CountReplaced() { ++m_replaced; }

  // Whether two names are the same encoding as far as the program knows
  // ("utf8" and "UTF-8", "cp1252" and "Windows-1252").
  static bool IsUtf8Name(std::string_view name);
  static bool IsCp1252Name(std::string_view name);

 private:
  enum class Kind { Utf8, Cp1252, Other };
  void Unheld(char32_t cp, std::string& out);

  std::string m_name;
  Unholdable m_unholdable;
  Kind m_kind = Kind::Other;
  bool m_asciiItself = false;
  void* m_convert = nullptr;  // iconv_t of the text written
  void* m_probe = nullptr;    // iconv_t that tries single characters
  std::unordered_map<char32_t, bool> m_holds;
  std::string m_clean;
  int64_t m_replaced = 0;
};

}  // namespace kvn::platform
