// The workbook stream byte for byte: the fixed globals and sheet records, the
// end phase (format block, shared strings, offsets, dimensions), the cell and
// formula records, the shared string table's record boundaries and the style
// record layouts.
#include <gtest/gtest.h>

#include "export/xls/shared_strings.h"
#include "export/xls/style_records.h"
#include "export/xls/xls_export.h"
#include "platform/codepage.h"
#include "tests/export/export_fixture.h"
#include "tests/support/xls_reader.h"

namespace kvn::exporting {
namespace {

using xlstest::Hex;
using xlstest::Record;

// "0a 00 ..." from a compact hex text with optional blanks.
std::string Bytes(std::string_view hex) {
  std::string out;
  std::string digits;
  for (char c : hex)
    if (c != ' ') digits += c;
  for (size_t i = 0; i + 1 < digits.size(); i += 2)
    out += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
  return out;
}

std::string Utf16(std::string_view ascii) {
  std::string out;
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

class XlsRecordsTest : public CatalogueTest {
 protected:
  // Exports into memory and returns the records of the Workbook stream.
  std::vector<Record> Export(TQExportXLS& e) {
    stream = xlstest::CompoundStream(Run(e));
    return xlstest::Records(stream);
  }
  std::string stream;
};

TEST_F(XlsRecordsTest, SmallestWorkbookRecordByRecord) {
  OpenCatalogue({});
  TQExportXLS e;
  e.DataSet = table.get();
  e.ExportedFields = {"Titre"};
  e.AllowCaptions = false;
  const std::vector<Record> records = Export(e);

  const std::string writeAccess = Bytes("0c 00 00") + "Vestrel 2.80" + std::string(112 - 15, ' ');
  const std::string arial = Bytes("c8 00 0000 0800 9001 0000 00 00 01 00 05 01") + Utf16("arial");
  const std::string xfStyle = Bytes("0000 0000 f5ff 20 00 00 f4 00000000 00000000 c020");
  struct Expected {
    uint16_t number;
    std::string body;
  };
  std::vector<Expected> expected = {
      {0x0809, Bytes("0006 0500 bb0d cc07 00000000 06020000")},
      {0x005C, writeAccess},
      {0x0042, Bytes("e404")},
      {0x0161, Bytes("0000")},
      {0x013D, Bytes("0100")},
      {0x009C, Bytes("0e00")},
      {0x0019, Bytes("0000")},
      {0x0012, Bytes("0000")},
      {0x0013, Bytes("0000")},
      {0x01AF, Bytes("0000")},
      {0x01BC, Bytes("0000")},
      {0x003D, Bytes("7800 7800 0c5d 683d 3800 0000 0000 0100 5802")},
      {0x0040, Bytes("0000")},
      {0x008D, Bytes("0000")},
      {0x0022, Bytes("0000")},
      {0x000E, Bytes("0100")},
      {0x01B7, Bytes("0000")},
      {0x00DA, Bytes("0000")},
      {0x0031, arial},
      {0x0031, arial},
      {0x0031, arial},
      {0x0031, arial},
      {0x00E0, Bytes("0000 0000 f5ff 20 00 00 00 00000000 00000000 c020")},
  };
  for (const char* font : {"01", "01", "02", "02"})
    expected.push_back(
        {0x00E0, Bytes(std::string(font) + "00 0000 f5ff 20 00 00 f4 00000000 00000000 c020")});
  for (int i = 5; i <= 14; ++i) expected.push_back({0x00E0, xfStyle});
  expected.push_back({0x00E0, Bytes("0000 0000 0100 20 00 00 00 00000000 00000000 c020")});
  for (const char* style :
       {"1080 03ff", "1180 06ff", "1280 04ff", "1380 07ff", "0080 00ff", "1480 05ff"})
    expected.push_back({0x0293, Bytes(style)});
  // No user format: the sheet's BOUNDSHEET follows the sixth STYLE directly.
  expected.push_back({0x0085, std::string(4, '?') + Bytes("0000 07 01") + Utf16("Sheet 1")});
  expected.push_back({0x008C, Bytes("0100 0100")});
  // A workbook without text: counts zero, no CONTINUE.
  expected.push_back({0x00FC, Bytes("00000000 00000000")});
  expected.push_back({0x000A, ""});
  expected.push_back({0x0809, Bytes("0006 1000 bb0d cc07 00000000 06020000")});
  for (auto [number, body] :
       std::vector<std::pair<uint16_t, const char*>>{{0x000D, "0100"},
                                                     {0x000C, "6400"},
                                                     {0x000F, "0100"},
                                                     {0x0011, "0000"},
                                                     {0x0010, "fca9f1d24d62503f"},
                                                     {0x005F, "0100"},
                                                     {0x002A, "0000"},
                                                     {0x002B, "0000"},
                                                     {0x0082, "0100"},
                                                     {0x0080, "0000000000000000"},
                                                     {0x0225, "0000 ff00"},
                                                     {0x0081, "c104"},
                                                     {0x0014, ""}})
    expected.push_back({number, Bytes(body)});
  // The default footer: 13 characters, length 16.
  expected.push_back({0x0015, Bytes("0d00 00") + "Page &P of &N"});
  expected.push_back({0x0083, Bytes("0000")});
  expected.push_back({0x0084, Bytes("0000")});
  expected.push_back({0x0055, Bytes("0800")});
  // The Titre column: 255 characters wide as the field says, no field format.
  expected.push_back({0x007D, Bytes("0000 0000 00ff 0f00 0000 00")});
  expected.push_back({0x0200, Bytes("00000000 00000000 0000 0100 0000")});
  expected.push_back({0x023E, Bytes("b606 0000 0000 0000 0000 0000 0000 00000000")});
  expected.push_back({0x001D, Bytes("03 0000 0000 0000 0100 0000 0000 00 00 00")});
  // The sheet's EOF ends the stream.
  expected.push_back({0x000A, ""});

  ASSERT_EQ(records.size(), expected.size());
  for (size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE("record " + std::to_string(i) + " at offset " + std::to_string(records[i].offset));
    EXPECT_EQ(records[i].number, expected[i].number);
    if (records[i].number == 0x0085) {
      EXPECT_EQ(Hex(records[i].body.substr(4)), Hex(expected[i].body.substr(4)));
      // The offset field points at the sheet's BOF.
      EXPECT_EQ(records[i].U32(0), records[i + 4].offset);
    } else {
      EXPECT_EQ(Hex(records[i].body), Hex(expected[i].body));
    }
  }
}

TEST_F(XlsRecordsTest, EndPhaseInsertsFormatsAndStringsAndPatchesOffsets) {
  OpenCatalogue(ThreeFilms());
  TQExportXLS e;
  for (const char* title : {"Films", "Prêts"}) {
    TxlsSheet& s = e.Sheets.Add();
    s.Title = title;
    s.DataSet = table.get();
    s.ExportedFields = {"Reference", "Titre", "Nb_cd"};
  }
  e.Sheets[1].ExportedFields = {"Genre"};
  e.Sheets[1].Header = {"Genres"};
  const std::vector<Record> records = Export(e);

  // Globals: ... STYLE x6, FORMAT..., FONT..., XF..., BOUNDSHEET x2, COUNTRY, SST, EOF.
  size_t i = 0;
  while (records[i].number != 0x0293) ++i;
  i += 6;
  // The caption font (bold) and the float format of Nb_cd are the user formats.
  ASSERT_EQ(records[i].number, kRecFormat);
  EXPECT_EQ(records[i].body, Bytes("3200 0c00 00") + "#,###,##0.00");
  ASSERT_EQ(records[i + 1].number, kRecFont);
  EXPECT_EQ(records[i + 1].U16(6), 700) << "bold";
  size_t xfs = 0;
  for (i += 2; records[i].number == kRecXF; ++i) ++xfs;
  EXPECT_EQ(xfs, 3u);  // float format, bold captions, header lines
  ASSERT_EQ(records[i].number, kRecBoundSheet);
  ASSERT_EQ(records[i + 1].number, kRecBoundSheet);
  EXPECT_EQ(records[i + 1].body.substr(6),
            Bytes("05 01") + Bytes("5000 7200 ea00 7400 7300"));  // Prêts
  ASSERT_EQ(records[i + 2].number, 0x008C);
  ASSERT_EQ(records[i + 3].number, kRecSst);
  // 3 + 3 + 3 captions/data texts on sheet 1 (R1..R3, three titles, three captions),
  // header, caption and three genres on sheet 2 (two distinct).
  const Record& sst = records[i + 3];
  EXPECT_EQ(sst.U32(0), 3u + 3u + 3u + 1u + 1u + 3u);
  EXPECT_EQ(sst.U32(4), 3u + 3u + 3u + 1u + 1u + 2u);
  EXPECT_EQ(records[i + 4].number, kRecEof);

  for (int k = 0; k < 2; ++k) {
    const Record& bound = records[i + static_cast<size_t>(k)];
    const uint32_t bof = bound.U32(0);
    ASSERT_LT(bof + 8, stream.size());
    const Record sheetBof = xlstest::Records(stream.substr(bof, 20))[0];
    EXPECT_EQ(sheetBof.number, kRecBof);
    EXPECT_EQ(sheetBof.U16(2), 0x0010) << "sheet " << k;
  }
  // Each DIMENSIONS tells one past the last row and the column span.
  auto dims = xlstest::Only(records, kRecDimensions);
  ASSERT_EQ(dims.size(), 2u);
  EXPECT_EQ(Hex(dims[0].body), Hex(Bytes("00000000 04000000 0000 0300 0000")));
  EXPECT_EQ(Hex(dims[1].body), Hex(Bytes("00000000 05000000 0000 0100 0000")));
  // The stream ends with the last sheet's EOF, nothing after it (libfreexl
  // refuses a workbook with a record outside every substream): one EOF for
  // the globals and one per sheet.
  EXPECT_EQ(records.back().number, 0x000A);
  EXPECT_EQ(xlstest::Only(records, 0x000A).size(), 3u);
}

TEST_F(XlsRecordsTest, CellAndFormulaRecords) {
  MemoryStringGrid grid;
  grid.rows = {
      {"Nombre", "Texte", "Oui", "Vide"}, {"12,5", "Film", "true", ""}, {"-3", "FILM", "non", ""}};
  TQExportXLS e;
  e.ExportSource = TQExportSource::esStringGrid;
  e.StringGrid = &grid;
  e.AutoCalcStrType = true;
  e.CaptionRow = 0;
  TxlsFieldFormat& sum = e.FieldFormats.Add();
  sum.FieldName = "0";
  sum.Aggregate = aggSum;
  const std::vector<Record> records = Export(e);

  auto numbers = xlstest::Only(records, kRecNumber);
  ASSERT_EQ(numbers.size(), 2u);
  // Row 1, column 0, the float column's XF, then 12.5 as an IEEE double.
  EXPECT_EQ(Hex(numbers[0].body.substr(0, 2)), "01 00");
  EXPECT_EQ(numbers[0].U16(2), 0);
  EXPECT_GE(numbers[0].U16(4), 16);
  EXPECT_EQ(Hex(numbers[0].body.substr(6)), Hex(Bytes("0000000000002940")));
  auto labels = xlstest::Only(records, kRecLabelSst);
  // Four captions, then Film and FILM: two entries, case kept apart.
  ASSERT_EQ(labels.size(), 6u);
  EXPECT_EQ(labels[4].U32(6), 4u);
  EXPECT_EQ(labels[5].U32(6), 5u);
  auto bools = xlstest::Only(records, kRecBoolErr);
  ASSERT_EQ(bools.size(), 2u);
  EXPECT_EQ(Hex(bools[0].body.substr(0, 4)), "01 00 02 00");
  EXPECT_EQ(Hex(bools[0].body.substr(6)), "01 00");
  EXPECT_EQ(Hex(bools[1].body.substr(6)), "00 00");
  auto blanks = xlstest::Only(records, kRecBlank);
  ASSERT_EQ(blanks.size(), 2u);
  EXPECT_EQ(Hex(blanks[1].body.substr(0, 4)), "02 00 03 00");

  auto formulas = xlstest::Only(records, kRecFormula);
  ASSERT_EQ(formulas.size(), 1u);
  const Record& f = formulas[0];
  ASSERT_EQ(f.body.size(), 35u);
  EXPECT_EQ(f.U16(0), 3);  // below the two data rows
  EXPECT_EQ(f.U16(2), 0);
  EXPECT_EQ(f.U16(4), numbers[0].U16(4)) << "the column's own number format";
  EXPECT_EQ(Hex(f.body.substr(6)),
            Hex(Bytes("0000000000000000 0200 00000000 0d00 25 0100 0200 00c0 00c0 42 01 0400")));
}

// One shared string table per case: the texts added, then the records expected
// (number and body length).
TEST(XlsSharedStrings, RecordBoundaries) {
  struct Case {
    const char* name;
    std::vector<std::string> texts;
    std::vector<std::pair<uint16_t, size_t>> records;
  };
  // Entries of 3 + 2n bytes after the 8 header bytes: 4000 and 105 characters
  // fill the SST to exactly 8224 bytes.
  const std::string a(4000, 'a'), b(105, 'b'), c(106, 'c');
  const std::string longText(10000, 'L');
  const std::vector<Case> cases = {
      {"no text", {}, {{kRecSst, 8}}},
      {"exactly full", {a, b, "x"}, {{kRecSst, 8224}, {kRecContinue, 5}}},
      {"one byte over", {a, c}, {{kRecSst, 8 + 8003}, {kRecContinue, 3 + 212}}},
      {"repeated and case", {"Film", "FILM", "Film"}, {{kRecSst, 8 + 11 + 11}}},
      // 3 + 2 x 10000 bytes over three records, each continuation opened by 0x01.
      {"long text",
       {"x", longText},
       {{kRecSst, 8 + 5 + 3 + 2 * 4104},
        {kRecContinue, 1 + 2 * 4111},
        {kRecContinue, 1 + 2 * 1785}}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    SharedStringTable table;
    for (const auto& t : k.texts) table.Add(t);
    const std::vector<Record> records = xlstest::Records(table.Block());
    ASSERT_EQ(records.size(), k.records.size());
    for (size_t i = 0; i < records.size(); ++i) {
      EXPECT_EQ(records[i].number, k.records[i].first) << i;
      EXPECT_EQ(records[i].body.size(), k.records[i].second) << i;
      EXPECT_LE(records[i].body.size(), kMaxRecordBody);
      if (i > 0 && k.texts.size() == 2 && k.texts[1] == longText) {
        EXPECT_EQ(records[i].body[0], '\x01');
      }
    }
    EXPECT_EQ(records[0].U32(0), k.texts.size());
  }
}

TEST(XlsSharedStrings, IndexOfFirstUseAndUtf16) {
  SharedStringTable table;
  EXPECT_EQ(table.Add("Film"), 0u);
  EXPECT_EQ(table.Add("Été €"), 1u);
  EXPECT_EQ(table.Add("FILM"), 2u);
  EXPECT_EQ(table.Add("Film"), 0u);
  EXPECT_EQ(table.TextCells(), 4u);
  const Record sst = xlstest::Records(table.Block())[0];
  EXPECT_EQ(sst.U32(0), 4u);
  EXPECT_EQ(sst.U32(4), 3u);
  // Second entry: 5 characters, option 0x01, É t é space €.
  EXPECT_EQ(Hex(sst.body.substr(8 + 11, 13)), "05 00 01 c9 00 74 00 e9 00 20 00 ac 20");

  // Past the Basic Multilingual Plane: a pair of code units, counted as two.
  SharedStringTable wide;
  wide.Add("七人の侍 🎬");
  const Record w = xlstest::Records(wide.Block())[0];
  EXPECT_EQ(Hex(w.body.substr(8, 3 + 14)), "07 00 01 03 4e ba 4e 6e 30 8d 4f 20 00 3c d8 ac df");
}

TEST(XlsStyleRecords, FontFormatAndXfLayouts) {
  TxlsFont font;
  font.Size = 12;
  font.Style = {xfsBold, xfsItalic, xfsStrikeOut};
  font.Color = clrRed;
  font.Script = fscSubscript;
  font.Underline = fulDoubleAccounting;
  font.Charset = 0;
  font.Name = "Courier";
  EXPECT_EQ(Hex(FontBody(font)),
            Hex(Bytes("f000 0a00 0a00 bc02 0200 22 00 00 00 07 01") + Utf16("Courier")));

  TxlsTextFormat format{"0.0%", 51};
  EXPECT_EQ(Hex(FormatBody(format)), Hex(Bytes("3300 0400 00") + "0.0%"));

  struct Case {
    const char* name;
    std::function<void(TxlsXFormat&)> set;
    const char* bytes;
  };
  static TxlsFont registeredFont;
  registeredFont.Index = 6;
  static TxlsTextFormat registeredFormat{"0.00", 50};
  const std::vector<Case> cases = {
      {"defaults", [](TxlsXFormat&) {}, "0000 0000 0100 20 00 00 50 00000000 00000000 0904"},
      {"font and number format",
       [](TxlsXFormat& x) {
         x.Font = &registeredFont;
         x.Format = &registeredFormat;
       },
       "0600 3200 0100 20 00 00 58 00000000 00000000 0904"},
      {"solid yellow fill",
       [](TxlsXFormat& x) {
         x.Fill.Pattern = ptSolid;
         x.Fill.Background = clrYellow;
       },
       "0000 0000 0100 20 00 00 50 00000000 00000004 0d04"},
      {"alignment and wrap",
       [](TxlsXFormat& x) {
         x.Alignment = {halRight, valCenter};
         x.Wrap = true;
       },
       "0000 0000 0100 1b 00 00 50 00000000 00000000 0904"},
      // Left thin red, bottom thick blue: styles in word 1, left colour in
      // word 1, bottom colour in word 2 (bits 7-13).
      {"borders",
       [](TxlsXFormat& x) {
         x.Borders.Left = {bstThin, clrRed};
         x.Borders.Bottom = {bstThick, clrBlue};
       },
       "0000 0000 0100 20 00 00 70 0150 0a00 0006 0000 0904"},
      {"diagonals take the down line",
       [](TxlsXFormat& x) {
         x.Borders.DiagDown = {bstDashed, clrGreen};
         x.Borders.DiagUp = {bstThin, clrRed};
       },
       "0000 0000 0100 20 00 00 70 000000c0 00406400 0904"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    TxlsXFormat x;
    k.set(x);
    EXPECT_EQ(Hex(XFBody(x)), Hex(Bytes(k.bytes)));
  }
}

}  // namespace
}  // namespace kvn::exporting
