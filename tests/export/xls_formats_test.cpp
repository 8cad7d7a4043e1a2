// Cell formats of the workbook: the palette and its settings texts, fonts from
// system fonts, formats in settings files, and the registration rules that
// decide how many FONT, FORMAT and XF records a workbook gets.
#include "export/xls/xls_formats.h"

#include <gtest/gtest.h>

#include <set>

#include "export/xls/format_registry.h"
#include "platform/ini_file.h"
#include "tests/support/temp_dir.h"

namespace kvn::exporting {
namespace {

TEST(XlsColors, PaletteAndSettingsTexts) {
  std::set<int> indices;
  for (int i = 0; i < kXlsColorCount; ++i) {
    const auto c = static_cast<TxlsColor>(i);
    SCOPED_TRACE(ColorName(c));
    indices.insert(PaletteIndex(c));
    // Every colour survives its settings text.
    EXPECT_EQ(XlsColorFromText(XlsColorToText(c)), c);
  }
  EXPECT_EQ(indices.size(), 40u) << "40 distinct palette entries";

  struct Row {
    TxlsColor color;
    uint8_t palette;
    const char* text;
  };
  for (const Row& r :
       {Row{clrBlack, 8, "clBlack"}, Row{clrBrown, 60, "$00003399"}, Row{clrDarkBlue, 18, "clNavy"},
        Row{clrGray25Percent, 22, "clSilver"}, Row{clrSkyBlue, 40, "$00FFCC00"},
        Row{clrPink, 14, "clFuchsia"}, Row{clrWhite, 9, "clWhite"}}) {
    SCOPED_TRACE(ColorName(r.color));
    EXPECT_EQ(PaletteIndex(r.color), r.palette);
    EXPECT_EQ(XlsColorToText(r.color), r.text);
  }
  // Names of any case, decimal numbers; anything outside the palette is black.
  EXPECT_EQ(XlsColorFromText("clred"), clrRed);
  EXPECT_EQ(XlsColorFromText("255"), clrRed);
  EXPECT_EQ(XlsColorFromText("$00123456"), clrBlack);
  EXPECT_EQ(XlsColorFromText("clWindowText"), clrBlack);
  EXPECT_EQ(XlsColorFromText("bleu"), clrBlack);
}

TEST(XlsFonts, FromSystemFont) {
  Font system;
  system.name = "Times New Roman";
  system.size = 14;
  system.bold = true;
  system.underline = true;
  system.charset = 0;
  struct Row {
    platform::TColor screen;
    TxlsColor expected;
  };
  for (const Row& r : {Row{platform::clMaroon, clrDarkRed}, Row{platform::clOlive, clrDarkYellow},
                       Row{platform::clLime, clrBrightGreen}, Row{platform::clPurple, clrViolet},
                       Row{platform::clGray, clrGray50Percent}, Row{platform::clAqua, clrTurquoise},
                       Row{0x00003399, clrBlack}, Row{platform::clWindowText, clrBlack}}) {
    system.color = r.screen;
    TxlsFont f;
    f.Script = fscSuperscript;
    f.Assign(system);
    EXPECT_EQ(f.Color, r.expected) << std::hex << r.screen;
    EXPECT_EQ(f.Name, "Times New Roman");
    EXPECT_EQ(f.Size, 14);
    EXPECT_EQ(f.Style, (TxlsFontStyles{xfsBold}));
    EXPECT_EQ(f.Underline, fulSingle);
    EXPECT_EQ(f.Charset, 0);
    EXPECT_EQ(f.Script, fscNone);
  }
}

TEST(XlsFormatSettings, SaveLoadAndDefaults) {
  test::TempDir dir;
  platform::IniFile ini(dir / "styles.cfg");
  TxlsFieldFormat f;
  f.FieldName = "Nb_cd";
  f.Font.Name = "Verdana";
  f.Font.Size = 9;
  f.Font.Color = clrIndigo;
  f.Font.Style = {xfsItalic, xfsStrikeOut};
  f.Font.Underline = fulDouble;
  f.Alignment = {halCenter, valTop};
  f.Borders.Top = {bstDouble, clrRed};
  f.Borders.Right = {bstHair, clrBrown};
  f.Borders.DiagUp = {bstThin, clrRed};
  f.Fill = {clrBrown, ptChess, clrLavender};
  f.Wrap = true;
  f.Aggregate = aggAvg;
  f.SaveToIni(ini, "XLS_FIELD_NB_CD");
  EXPECT_EQ(ini.ReadSection("XLS_FIELD_NB_CD"),
            (std::vector<std::string>{"FontName",          "FontSize",         "FontColor",
                                      "FontBold",          "FontItalic",       "FontStrikeOut",
                                      "FontUnderline",     "HorAlignment",     "VertAlignment",
                                      "BorderTop",         "BorderTopColor",   "BorderBottom",
                                      "BorderBottomColor", "BorderLeft",       "BorderLeftColor",
                                      "BorderRight",       "BorderRightColor", "FillPattern",
                                      "FillBackground",    "FillForeground",   "Aggregate"}));
  EXPECT_EQ(ini.ReadString("XLS_FIELD_NB_CD", "FillBackground", ""), "$00003399");
  EXPECT_EQ(ini.ReadString("XLS_FIELD_NB_CD", "FontItalic", ""), "1");

  TxlsFieldFormat back;
  back.LoadFromIni(ini, "XLS_FIELD_NB_CD");
  EXPECT_EQ(back.Font.Name, "Verdana");
  EXPECT_EQ(back.Font.Size, 9);
  EXPECT_EQ(back.Font.Color, clrIndigo);
  EXPECT_EQ(back.Font.Style, (TxlsFontStyles{xfsItalic, xfsStrikeOut}));
  EXPECT_EQ(back.Font.Underline, fulDouble);
  EXPECT_EQ(back.Alignment, (TxlsAlignment{halCenter, valTop}));
  EXPECT_EQ(back.Borders.Top, (TxlsBorder{bstDouble, clrRed}));
  EXPECT_EQ(back.Borders.Right, (TxlsBorder{bstHair, clrBrown}));
  EXPECT_EQ(back.Fill, (TxlsFill{clrBrown, ptChess, clrLavender}));
  EXPECT_EQ(back.Aggregate, aggAvg);
  // Not stored: diagonals, wrap, field name.
  EXPECT_EQ(back.Borders.DiagUp.Style, bstNone);
  EXPECT_FALSE(back.Wrap);
  EXPECT_EQ(back.FieldName, "");

  // Missing keys read as the defaults; an unknown colour as black.
  test::WriteFile(dir / "partial.cfg", "[S]\nFontBold=1\nFillBackground=$00ABCDEF\n");
  platform::IniFile partial(dir / "partial.cfg");
  TxlsFieldFormat p = f;
  p.LoadFromIni(partial, "S");
  EXPECT_EQ(p.Font.Name, "arial");
  EXPECT_EQ(p.Font.Size, 10);
  EXPECT_EQ(p.Font.Style, (TxlsFontStyles{xfsBold}));
  EXPECT_EQ(p.Alignment, TxlsAlignment());
  EXPECT_EQ(p.Borders.Top, TxlsBorder());
  EXPECT_EQ(p.Fill.Background, clrBlack);
  EXPECT_EQ(p.Fill.Foreground, clrBlack);
  EXPECT_EQ(p.Fill.Pattern, ptNone);
  EXPECT_EQ(p.Aggregate, aggNone);
}

TEST(XlsFormatSettings, DefaultsNamesAndOptions) {
  TxlsFormat f;
  EXPECT_TRUE(f.IsDefault());
  f.Font.Name = "Arial";  // the name is compared exactly
  EXPECT_FALSE(f.IsDefault());
  f.SetDefault();
  f.Borders.DiagDown.Style = bstThin;
  EXPECT_FALSE(f.IsDefault());

  TXLSOptions options;
  EXPECT_EQ(options.SheetTitle(), "Sheet 1");
  EXPECT_EQ(options.PageFooter, "Page &P of &N");
  EXPECT_TRUE(options.CaptionsFormat.Font.Style.Has(xfsBold));
  EXPECT_TRUE(options.DataFormat.IsDefault());
  options.SetSheetTitle("");
  EXPECT_EQ(options.SheetTitle(), "Sheet1");

  TxlsFormats strips;
  strips.MarkStripStyles();
  strips.Add();
  EXPECT_EQ(strips.Add().GetDisplayName(), "StripStyle_1");
  TxlsFieldFormats fields;
  fields.Add().FieldName = "Titre";
  fields.Add().FieldName = "TITRE";
  EXPECT_EQ(fields[0].GetDisplayName(), "Titre");
  EXPECT_EQ(fields.IndexOfName("titre"), 0);
  EXPECT_EQ(fields.IndexOfName("Genre"), -1);
}

TEST(XlsRegistry, RegistrationRules) {
  XlsFormatRegistry r;
  const TxlsFont dataFont;
  // "General" without a format is the default XF; an empty text counts as "General".
  EXPECT_EQ(r.RegisterFormat(dataFont, "", nullptr), 15);
  EXPECT_EQ(r.RegisterFormat(dataFont, "General", nullptr), 15);
  // Two columns with the same number format share one XF and one FORMAT.
  EXPECT_EQ(r.RegisterFormat(dataFont, "#,##0", nullptr), 16);
  EXPECT_EQ(r.RegisterFormat(dataFont, "#,##0", nullptr), 16);
  // Texts differing only in case are different formats.
  EXPECT_EQ(r.RegisterFormat(dataFont, "DD/MM/YYYY", nullptr), 17);
  EXPECT_EQ(r.RegisterFormat(dataFont, "dd/mm/yyyy", nullptr), 18);
  // A default format still gets an XF of its own, equal in look to XF 15.
  TxlsFormat plain;
  EXPECT_EQ(r.RegisterFormat(dataFont, "General", &plain), 19);
  EXPECT_EQ(r.RegisterFormat(dataFont, "", &plain), 19);
  ASSERT_EQ(r.TextFormats().size(), 3u);
  EXPECT_EQ(r.TextFormats()[0]->Index, 50);
  EXPECT_EQ(r.TextFormats()[2]->Index, 52);
  EXPECT_TRUE(r.Fonts().empty());

  // A font equal to the sheet's data font means font 0, whatever that font is.
  TxlsFont bigData;
  bigData.Size = 16;
  TxlsFormat sameAsData;
  sameAsData.Font = bigData;
  const int x = r.RegisterFormat(bigData, "General", &sameAsData);
  ASSERT_NE(r.XFormat(x), nullptr);
  EXPECT_EQ(r.XFormat(x)->Font, nullptr);

  // Fonts are shared by value; the first user font is 5.
  TxlsFormat bold, boldRed;
  bold.Font.Style = {xfsBold};
  boldRed = bold;
  boldRed.Fill = {clrRed, ptSolid, clrBlack};
  const int a = r.RegisterFormat(dataFont, "General", &bold);
  const int b = r.RegisterFormat(dataFont, "#,##0", &boldRed);
  EXPECT_NE(a, b);
  ASSERT_EQ(r.Fonts().size(), 1u);
  EXPECT_EQ(r.Fonts()[0]->Index, 5);
  EXPECT_EQ(r.XFormat(a)->Font, r.XFormat(b)->Font);
  EXPECT_EQ(r.XFormat(b)->Format, r.XFormat(16)->Format) << "the FORMAT of #,##0 is reused";
  EXPECT_EQ(r.XFormat(15), nullptr);
}

TEST(XlsRegistry, Links) {
  XlsFormatRegistry r;
  EXPECT_EQ(r.FieldLink(0, "Titre"), 15);
  r.AddFieldLink(0, "Titre", 20);
  r.AddFieldLink(0, "TITRE", 21);
  EXPECT_TRUE(r.HasFieldLink(0, "titre"));
  EXPECT_EQ(r.FieldLink(0, "titre"), 20);
  EXPECT_EQ(r.FieldLink(1, "Titre"), 15);
  r.AddColRowLink(0, 2 + 1000 * 1, 22);
  EXPECT_EQ(r.ColRowLink(0, 1002), 22);
  EXPECT_EQ(r.ColRowLink(0, 2), 15);
}

}  // namespace
}  // namespace kvn::exporting
