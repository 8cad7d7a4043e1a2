#include "export/xls/xls_writer.h"

#include "export/xls/compound_file.h"
#include "export/xls/style_records.h"
#include "export/xls/xls_export.h"

namespace kvn::exporting {

namespace {

constexpr uint16_t kRecWriteAccess = 0x005C;
constexpr uint16_t kRecCodePage = 0x0042;
constexpr uint16_t kRecDsf = 0x0161;
constexpr uint16_t kRecTabId = 0x013D;
constexpr uint16_t kRecFnGroupCount = 0x009C;
constexpr uint16_t kRecWindowProtect = 0x0019;
constexpr uint16_t kRecProtect = 0x0012;
constexpr uint16_t kRecPassword = 0x0013;
constexpr uint16_t kRecProt4Rev = 0x01AF;
constexpr uint16_t kRecProt4RevPass = 0x01BC;
constexpr uint16_t kRecWindow1 = 0x003D;
constexpr uint16_t kRecBackup = 0x0040;
constexpr uint16_t kRecHideObj = 0x008D;
constexpr uint16_t kRecDateMode = 0x0022;
constexpr uint16_t kRecPrecision = 0x000E;
constexpr uint16_t kRecRefreshAll = 0x01B7;
constexpr uint16_t kRecBookBool = 0x00DA;
constexpr uint16_t kRecCountry = 0x008C;
constexpr uint16_t kRecCalcMode = 0x000D;
constexpr uint16_t kRecCalcCount = 0x000C;
constexpr uint16_t kRecRefMode = 0x000F;
constexpr uint16_t kRecIteration = 0x0011;
constexpr uint16_t kRecDelta = 0x0010;
constexpr uint16_t kRecSaveRecalc = 0x005F;
constexpr uint16_t kRecPrintHeaders = 0x002A;
constexpr uint16_t kRecPrintGridlines = 0x002B;
constexpr uint16_t kRecGridSet = 0x0082;
constexpr uint16_t kRecGuts = 0x0080;
constexpr uint16_t kRecDefaultRowHeight = 0x0225;
constexpr uint16_t kRecWsBool = 0x0081;
constexpr uint16_t kRecHCenter = 0x0083;
constexpr uint16_t kRecVCenter = 0x0084;
constexpr uint16_t kRecDefColWidth = 0x0055;
constexpr uint16_t kRecWindow2 = 0x023E;
constexpr uint16_t kRecSelection = 0x001D;

constexpr uint16_t kBofWorkbookGlobals = 0x0005;
constexpr uint16_t kBofWorksheet = 0x0010;

// The writing application as the WRITEACCESS record names it.
constexpr std::string_view kWriteAccessText = "Vestrel 2.80";

// The formula tokens of an aggregate: an area reference, then a function with a
// variable argument count.
constexpr uint8_t kPtgArea = 0x25;
constexpr uint8_t kPtgFuncVar = 0x42;

}  // namespace

TQXLSWriter::TQXLSWriter(TQExportXLS* owner, platform::Stream& destination)
    : TQExportWriter(owner, destination), m_destination(destination) {}

// BOF (0x0809): version, type, build, year, history flags, lowest version.
static void WriteBof(BiffStream& s, uint16_t type) {
  s.Body(16).U16(0x0600).U16(type).U16(0x0DBB).U16(0x07CC).U32(0).U32(0x0206);
  s.WriteRecord(kRecBof, 16);
}

void TQXLSWriter::WriteGlobals(std::vector<XlsSheetStream*>& sheets, const TxlsFont& dataFont) {
  BiffStream& s = m_stream;
  WriteBof(s, kBofWorkbookGlobals);
  // WRITEACCESS (0x005C): the text padded with spaces to 112 bytes.
  {
    RecordBody b = s.Body(112);
    std::memset(s.Buffer(), ' ', 112);
    b.U16(static_cast<uint16_t>(kWriteAccessText.size())).U8(0).Bytes(kWriteAccessText);
    s.WriteRecord(kRecWriteAccess, 112);
  }
  s.WriteWordRecord(kRecCodePage, 1252);
  s.WriteWordRecord(kRecDsf, 0);
  s.WriteWordRecord(kRecTabId, 1);
  s.WriteWordRecord(kRecFnGroupCount, 14);
  s.WriteWordRecord(kRecWindowProtect, 0);
  s.WriteWordRecord(kRecProtect, 0);
  s.WriteWordRecord(kRecPassword, 0);
  s.WriteWordRecord(kRecProt4Rev, 0);
  s.WriteWordRecord(kRecProt4RevPass, 0);
  // WINDOW1 (0x003D): position, size, options, active sheet, first tab,
  // selected tabs, tab bar ratio.
  s.Body(18).U16(120).U16(120).U16(23820).U16(15720).U16(0x0038).U16(0).U16(0).U16(1).U16(600);
  s.WriteRecord(kRecWindow1, 18);
  s.WriteWordRecord(kRecBackup, 0);
  s.WriteWordRecord(kRecHideObj, 0);
  s.WriteWordRecord(kRecDateMode, 0);
  s.WriteWordRecord(kRecPrecision, 1);
  s.WriteWordRecord(kRecRefreshAll, 0);
  s.WriteWordRecord(kRecBookBool, 0);

  // FONT x4: the default font, then three copies of the data font.
  auto font = [&](const TxlsFont& f) {
    std::string body = FontBody(f);
    s.Body(body.size()).Bytes(body);
    s.WriteRecord(kRecFont, static_cast<uint16_t>(body.size()));
  };
  font(TxlsFont());
  for (int i = 0; i < 3; ++i) font(dataFont);
  for (const auto& xf : kDefaultXFs) {
    s.Body(kXFSize).Bytes({reinterpret_cast<const char*>(xf), kXFSize});
    s.WriteRecord(kRecXF, kXFSize);
  }
  for (const auto& style : kBuiltInStyles) {
    s.Body(4).Bytes({reinterpret_cast<const char*>(style), 4});
    s.WriteRecord(kRecStyle, 4);
  }
  m_formatBlockPosition = s.CurrentPosition();

  // BOUNDSHEET (0x0085): BOF offset (patched), visible worksheet, the title.
  for (XlsSheetStream* sheet : sheets) {
    const std::u16string title = XlsUnits(sheet->title, 31);
    const size_t n = title.size();
    RecordBody b = s.Body(8 + 2 * n);
    sheet->boundSheetOffsetField = s.CurrentPosition() + 4;
    b.U32(0).U16(0).U8(static_cast<uint8_t>(n)).U8(0x01);
    for (char16_t u : title) b.U16(static_cast<uint16_t>(u));
    s.WriteRecord(kRecBoundSheet, static_cast<uint16_t>(8 + 2 * n));
  }
  s.Body(4).U16(1).U16(1);
  s.WriteRecord(kRecCountry, 4);
  m_sharedStringPosition = s.CurrentPosition();
  s.WriteRecord(kRecEof, 0);
}

void TQXLSWriter::BeginSheet(XlsSheetStream& sheet, std::string_view pageHeader,
                             std::string_view pageFooter) {
  BiffStream& s = m_stream;
  s.Patch32(sheet.boundSheetOffsetField, static_cast<uint32_t>(s.CurrentPosition()));
  WriteBof(s, kBofWorksheet);
  s.WriteWordRecord(kRecCalcMode, 1);
  s.WriteWordRecord(kRecCalcCount, 100);
  s.WriteWordRecord(kRecRefMode, 1);
  s.WriteWordRecord(kRecIteration, 0);
  s.Body(8).Double(0.001);
  s.WriteRecord(kRecDelta, 8);
  s.WriteWordRecord(kRecSaveRecalc, 1);
  s.WriteWordRecord(kRecPrintHeaders, 0);
  s.WriteWordRecord(kRecPrintGridlines, 0);
  s.WriteWordRecord(kRecGridSet, 1);
  s.Body(8);
  s.WriteRecord(kRecGuts, 8);
  s.Body(4).U16(0).U16(255);
  s.WriteRecord(kRecDefaultRowHeight, 4);
  s.WriteWordRecord(kRecWsBool, 0x04C1);
  WriteHeaderFooter(kRecHeader, pageHeader);
  WriteHeaderFooter(kRecFooter, pageFooter);
  s.WriteWordRecord(kRecHCenter, 0);
  s.WriteWordRecord(kRecVCenter, 0);
  s.WriteWordRecord(kRecDefColWidth, 8);
}

void TQXLSWriter::WriteHeaderFooter(uint16_t number, std::string_view text) {
  // The record holds at most 255 characters.
  const std::u16string units = XlsUnits(text, 255);
  if (units.empty()) {
    WriteRecord(number, 0);
    return;
  }
  // UTF-16 when the text holds a character Latin-1 lacks ("œ", "€").
  const std::string characters = XlsCharacters(units, XlsNeedsUnicode(units));
  m_stream.Body(characters.size() + 2).U16(static_cast<uint16_t>(units.size())).Bytes(characters);
  WriteRecord(number, static_cast<uint16_t>(characters.size() + 2));
}

// COLINFO (0x007D): first and last column, width in 1/256 character, XF,
// options, reserved.
void TQXLSWriter::WriteColumnInfo(int column, int width, int xf) {
  const uint16_t col = static_cast<uint16_t>(column);
  m_stream.Body(11)
      .U16(col)
      .U16(col)
      .U16(static_cast<uint16_t>(width * 256))
      .U16(static_cast<uint16_t>(xf))
      .U16(0);
  WriteRecord(kRecColInfo, 11);
}

// DIMENSIONS (0x0200): 14 zero bytes until the end phase.
void TQXLSWriter::WriteDimensions(XlsSheetStream& sheet) {
  sheet.dimensions = CurrentPosition();
  m_stream.Body(14);
  WriteRecord(kRecDimensions, 14);
}

void TQXLSWriter::EndSheet() {
  // WINDOW2 (0x023E): options, top row, left column, grid colour, zooms.
  m_stream.Body(18).U16(0x06B6);
  WriteRecord(kRecWindow2, 18);
  // SELECTION (0x001D): pane 3, active cell A1, one reference A1:A1.
  m_stream.Body(16).U8(3).U16(0).U16(0).U16(0).U16(1).U16(0).U16(0).U8(0).U8(0);
  WriteRecord(kRecSelection, 16);
  WriteRecord(kRecEof, 0);
}

RecordBody TQXLSWriter::CellBody(size_t length, int row, int col, int xf) {
  RecordBody b = m_stream.Body(length);
  b.U16(static_cast<uint16_t>(row)).U16(static_cast<uint16_t>(col)).U16(static_cast<uint16_t>(xf));
  return b;
}

// BLANK (0x0201).
void TQXLSWriter::WriteBlank(int row, int col, int xf) {
  CellBody(6, row, col, xf);
  WriteRecord(kRecBlank, 6);
}

// NUMBER (0x0203).
void TQXLSWriter::WriteNumber(int row, int col, int xf, double value) {
  CellBody(14, row, col, xf).Double(value);
  WriteRecord(kRecNumber, 14);
}

// BOOLERR (0x0205): a Boolean, not an error.
void TQXLSWriter::WriteBoolean(int row, int col, int xf, bool value) {
  CellBody(8, row, col, xf).U8(value ? 1 : 0).U8(0);
  WriteRecord(kRecBoolErr, 8);
}

// LABELSST (0x00FD).
void TQXLSWriter::WriteLabelSst(int row, int col, int xf, uint32_t index) {
  CellBody(10, row, col, xf).U32(index);
  WriteRecord(kRecLabelSst, 10);
}

// FORMULA (0x0006): no cached result, calculated on load; the tokens are an
// area over one column (relative rows and columns) and the function.
void TQXLSWriter::WriteAggregateFormula(int row, int col, int xf, TxlsAggregate aggregate,
                                        int firstRow, int lastRow) {
  static constexpr uint16_t kFunction[] = {0, 4, 5, 6, 7};  // SUM, AVERAGE, MIN, MAX
  RecordBody b = CellBody(35, row, col, xf);
  b.Skip(8).U16(0x0002).U32(0).U16(13);
  const uint16_t relativeCol = static_cast<uint16_t>(col | 0xC000);
  b.U8(kPtgArea).U16(static_cast<uint16_t>(firstRow)).U16(static_cast<uint16_t>(lastRow));
  b.U16(relativeCol).U16(relativeCol);
  b.U8(kPtgFuncVar).U8(1).U16(kFunction[aggregate]);
  WriteRecord(kRecFormula, 35);
}

void TQXLSWriter::FinishBlocks(const std::vector<XlsSheetStream*>& sheets,
                               const SharedStringTable& strings) {
  m_formatBlock = FormatBlock(m_registry);
  m_sharedStrings = strings.Block();
  // Both blocks come before every sheet: each sheet's BOF moves past them.
  const auto moved = static_cast<uint32_t>(m_formatBlock.size() + m_sharedStrings.size());
  for (const XlsSheetStream* sheet : sheets) {
    m_stream.Patch32(sheet->boundSheetOffsetField,
                     m_stream.Read32(sheet->boundSheetOffsetField) + moved);
    const int64_t body = sheet->dimensions + 4;
    m_stream.Patch32(body, 0);
    m_stream.Patch32(body + 4, sheet->rowCursor);
    m_stream.Patch16(body + 8, 0);
    m_stream.Patch16(body + 10, sheet->columnSpan);
  }
}

void TQXLSWriter::Close() {
  if (m_closed) return;
  m_closed = true;
  std::vector<std::string_view> pieces;
  m_stream.Views(0, m_formatBlockPosition, pieces);
  pieces.push_back(m_formatBlock);
  m_stream.Views(m_formatBlockPosition, m_sharedStringPosition, pieces);
  pieces.push_back(m_sharedStrings);
  m_stream.Views(m_sharedStringPosition, m_stream.CurrentPosition(), pieces);
  WriteCompoundFile(m_destination, "Workbook", pieces);
}

}  // namespace kvn::exporting
