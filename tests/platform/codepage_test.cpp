#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace kvn::platform {
namespace {

TEST(CodePage, EveryCp1252ByteSurvivesUtf8RoundTrip) {
  for (int b = 0; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    std::string utf8 = Cp1252ToUtf8(one);
    EXPECT_TRUE(IsValidUtf8(utf8)) << "byte " << b;
    EXPECT_EQ(Utf8ToCp1252(utf8), one) << "byte " << b;
  }
}

TEST(CodePage, EveryCp850ByteSurvivesUtf8RoundTrip) {
  for (int b = 0; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp850(Cp850ToUtf8(one)), one) << "byte " << b;
  }
}

struct Case {
  const char* name;
  std::string utf8;
  std::string cp1252;
};

TEST(CodePage, Utf8ToCp1252Cases) {
  const Case cases[] = {
      {"ascii", "Titre 1", "Titre 1"},
      {"accents", "Amélie à Noël", "Am\xE9lie \xE0 No\xEBl"},
      {"euro", "10 €", "10 \x80"},
      {"oe ligature and quotes", "Cœur « x » – ’", "C\x9Cur \xAB x \xBB \x96 \x92"},
      {"narrow no-break space", "1\u202F234",
       "1\xA0"
       "234"},
      {"no-break space", "1\u00A0234",
       "1\xA0"
       "234"},
      {"not in 1252", "Nguyễn 中", "Nguy?n ?"},
      {"invalid utf-8 byte",
       std::string("a\xFF"
                   "b"),
       "a?b"},
      {"truncated sequence", std::string("a\xC3"), "a?"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252) << c.name;
}

TEST(CodePage, Cp1252ToCp850) {
  EXPECT_EQ(Cp1252ToCp850("\xE9\xE8\xE0\xE7"), "\x82\x8A\x85\x87");  // é è à ç
  EXPECT_EQ(Cp1252ToCp850("\x80"), "?");                             // no euro in 850
  EXPECT_EQ(Cp850ToCp1252("\x82"), "\xE9");
  EXPECT_EQ(Utf8ToCp850("Vidéos/Été"), "Vid\x82os/\x90t\x82");
  EXPECT_EQ(Cp850ToUtf8("Vid\x82os"), "Vidéos");
}

}  // namespace
}  // namespace kvn::platform
