// UTF-8 text written in another encoding that iconv knows (ISO-8859-15,
// UTF-16, US-ASCII...). Formats that can name their encoding use it: what the
// encoding cannot hold they write another way (a character reference, say),
// which CanHold tells beforehand.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace kvn::platform {

class TextEncoder {
 public:
  // Throws Error, in French, when iconv knows no encoding by that name.
  explicit TextEncoder(std::string_view encoding);
  ~TextEncoder();
  TextEncoder(const TextEncoder&) = delete;
  TextEncoder& operator=(const TextEncoder&) = delete;

  const std::string& Name() const { return m_name; }
  // Whether the encoding has the character.
  bool CanHold(char32_t cp);
  // Appends the encoded form of utf8 to out. A character the encoding cannot
  // hold throws Error; callers ask CanHold first.
  void Append(std::string_view utf8, std::string& out);
  // The bytes that end the text (a stateful encoding's return to its initial
  // state); nothing for most encodings.
  std::string Finish();

 private:
  std::string m_name;
  void* m_convert = nullptr;  // iconv_t of the text written
  void* m_probe = nullptr;    // iconv_t that tries single characters
  std::unordered_map<char32_t, bool> m_holds;
};

}  // namespace kvn::platform
