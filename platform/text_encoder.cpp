#include "platform/text_encoder.h"

#include <iconv.h>

#include <cerrno>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/strings.h"

namespace kvn::platform {

namespace {

iconv_t Open(const std::string& to) {
  iconv_t cd = iconv_open(to.c_str(), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1))
    throw Error(Subst("Encodage inconnu : « %s » (le système ne sait pas écrire ce jeu de caractères).", {to}));
  return cd;
}

iconv_t Cd(void* p) { return static_cast<iconv_t>(p); }

}  // namespace

TextEncoder::TextEncoder(std::string_view encoding) : m_name(encoding) {
  m_convert = Open(m_name);
  m_probe = Open(m_name);
}

TextEncoder::~TextEncoder() {
  iconv_close(Cd(m_convert));
  iconv_close(Cd(m_probe));
}

bool TextEncoder::CanHold(char32_t cp) {
  if (auto it = m_holds.find(cp); it != m_holds.end()) return it->second;
  std::string utf8;
  AppendUtf8(utf8, cp);
  char out[32];
  char* in = utf8.data();
  size_t inLeft = utf8.size();
  char* outp = out;
  size_t outLeft = sizeof out;
  iconv(Cd(m_probe), nullptr, nullptr, nullptr, nullptr);
  const bool holds = iconv(Cd(m_probe), &in, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1) && inLeft == 0;
  m_holds.emplace(cp, holds);
  return holds;
}

void TextEncoder::Append(std::string_view utf8, std::string& out) {
  std::string input(utf8);
  char* in = input.data();
  size_t inLeft = input.size();
  while (inLeft > 0) {
    char buffer[4096];
    char* outp = buffer;
    size_t outLeft = sizeof buffer;
    const size_t r = iconv(Cd(m_convert), &in, &inLeft, &outp, &outLeft);
    out.append(buffer, static_cast<size_t>(outp - buffer));
    if (r == static_cast<size_t>(-1) && errno != E2BIG)
      throw Error(Subst("Texte que l'encodage « %s » ne peut pas écrire.", {m_name}));
  }
}

std::string TextEncoder::Finish() {
  char buffer[64];
  char* outp = buffer;
  size_t outLeft = sizeof buffer;
  iconv(Cd(m_convert), nullptr, nullptr, &outp, &outLeft);
  return std::string(buffer, static_cast<size_t>(outp - buffer));
}

}  // namespace kvn::platform
