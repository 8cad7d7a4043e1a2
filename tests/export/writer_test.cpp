#include "export/writer.h"

#include <gtest/gtest.h>

#include "export/helpers.h"
#include "platform/error.h"
#include "tests/support/failing_stream.h"
#include "tests/support/temp_dir.h"

namespace kvn::exporting {
namespace {

TEST(Writer, LinesAndPadding) {
  platform::MemoryStream m;
  TQExportWriter w(nullptr, m);
  w.Write("a");
  w.WriteLn("b");
  w.EmptyLine();
  w.CharLine('-', 80);
  w.CharLine('=', 0);
  EXPECT_EQ(m.Data(), "ab\r\n\r\n" + std::string(80, '-') + "\r\n\r\n");
  struct {
    std::string got, expected;
  } cases[] = {
      {TQExportWriter::PadCenter("abc", ' ', 6), " abc  "},
      {TQExportWriter::PadCenter("abc", ' ', 2), "abc"},
      {TQExportWriter::PadCenter("ab", '*', 5), "*ab**"},
      {TQExportWriter::PadLeft("42", ' ', 6), "    42"},
      {TQExportWriter::PadLeft("abcdefgh", ' ', 5), "abcdefgh"},
      {TQExportWriter::PadRight("x", '.', 3), "x.."},
      {TQExportWriter::PadRight("xyz", '.', -1), "xyz"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected);
  EXPECT_EQ(w.AlignToStr(TQExportColAlign::ecaCenter), "Center alignment");
}

TEST(Writer, FailedWriteIsTheStreamError) {
  test::FailingStream failing(3);  // "ok", CR LF, then the refusal
  TQExportWriter w(nullptr, failing);
  w.WriteLn("ok");
  try {
    w.WriteLn("refused");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Erreur d'écriture dans le flux");
  }
}

TEST(Helpers, SettingTextsOfCharacters) {
  struct {
    char c;
    const char* text;
  } cases[] = {{';', ";"}, {'\t', "#9"}, {' ', "#32"}, {'\xE9', "#233"}, {'"', "\""}, {'\0', "#0"}};
  for (const auto& c : cases) {
    EXPECT_EQ(CharToSettingText(c.c), c.text);
    EXPECT_EQ(SettingTextToChar(c.text), c.c) << c.text;
  }
  EXPECT_EQ(SettingTextToChar(""), '\0');
  EXPECT_EQ(SettingTextToChar("#59"), ';');
  EXPECT_EQ(SettingTextToChar("#x"), '\0');
  EXPECT_EQ(SettingTextToChar("ab"), '\0');
}

TEST(Helpers, UnitsAndPages) {
  EXPECT_DOUBLE_EQ(FromPoints(TQExportUnits::unInch, 100), 1.39);
  EXPECT_DOUBLE_EQ(FromPoints(TQExportUnits::unMillimeter, 100), 35);
  EXPECT_DOUBLE_EQ(FromPoints(TQExportUnits::unDot, 100), 100);
  EXPECT_EQ(ToPoints(TQExportUnits::unInch, 1.17), 84);
  EXPECT_EQ(ToPoints(TQExportUnits::unMillimeter, 210), 595);
  EXPECT_EQ(ToPoints(TQExportUnits::unDot, 12.9), 12);
  EXPECT_DOUBLE_EQ(RoundTo(0, 2.5), 2);  // halves to even
  EXPECT_DOUBLE_EQ(RoundTo(0, 3.5), 4);
  EXPECT_DOUBLE_EQ(RoundTo(2, 1.2345), 1.23);
  EXPECT_DOUBLE_EQ(PageWidth(TQExportPageFormat::pfA4), 8.27);
  EXPECT_DOUBLE_EQ(PageHeight(TQExportPageFormat::pfLegal), 14);
  EXPECT_DOUBLE_EQ(StrToFloatDefault("1.5", 7), 1.5);
  EXPECT_DOUBLE_EQ(StrToFloatDefault("1,5", 7), 7);
}

TEST(Helpers, FontSettingsRoundTrip) {
  test::TempDir dir;
  platform::IniFile ini(dir / "f.ini");
  Font f;
  f.name = "Times New Roman";
  f.size = 12;
  f.bold = true;
  f.underline = true;
  f.color = 0x00003399;
  SaveFontSetting(f, ini, "RTF_DefaultFont");
  EXPECT_EQ(ini.ReadString("RTF_DefaultFont", "FontColor", ""), "$00003399");
  Font back;
  LoadFontSetting(back, Font(), ini, "RTF_DefaultFont");
  EXPECT_EQ(back, f);
  Font fallback;
  fallback.name = "Courier New";
  LoadFontSetting(back, fallback, ini, "MISSING");
  EXPECT_EQ(back, fallback);
  EraseAllSections(ini);
  EXPECT_TRUE(ini.ReadSections().empty());
}

}  // namespace
}  // namespace kvn::exporting
