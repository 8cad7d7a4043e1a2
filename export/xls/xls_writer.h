// The workbook writer: the BIFF8 `Workbook` stream built in memory record by
// record, then stored in a compound file.
//
//   globals:  BOF, WRITEACCESS ... BOOKBOOL, FONT x4, XF x16, STYLE x6,
//             [format block: FORMAT, FONT, XF of user formats], BOUNDSHEET per
//             sheet, COUNTRY, [SST + CONTINUE], EOF
//   sheet:    BOF, CALCMODE ... WSBOOL, HEADER, FOOTER, HCENTER, VCENTER,
//             DEFCOLWIDTH, COLINFO per column, DIMENSIONS, cells, WINDOW2,
//             SELECTION, EOF
//   end:      one more EOF
// The bracketed blocks are built by the end phase, which patches the
// BOUNDSHEET offsets and the DIMENSIONS records; the stream is then stored
// with the blocks written at their places, never moved in memory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export/writer.h"
#include "export/xls/biff_stream.h"
#include "export/xls/format_registry.h"
#include "export/xls/shared_strings.h"
#include "export/xls/xls_formats.h"

namespace kvn::exporting {

class TQExportXLS;

constexpr uint16_t kRecBof = 0x0809;
constexpr uint16_t kRecEof = 0x000A;
constexpr uint16_t kRecBoundSheet = 0x0085;
constexpr uint16_t kRecDimensions = 0x0200;
constexpr uint16_t kRecHeader = 0x0014;
constexpr uint16_t kRecFooter = 0x0015;
constexpr uint16_t kRecColInfo = 0x007D;
constexpr uint16_t kRecBlank = 0x0201;
constexpr uint16_t kRecNumber = 0x0203;
constexpr uint16_t kRecBoolErr = 0x0205;
constexpr uint16_t kRecLabelSst = 0x00FD;
constexpr uint16_t kRecFormula = 0x0006;

// Where the end phase finds a sheet in the stream, and how far it reaches.
struct XlsSheetStream {
  std::string title;  // UTF-8
  int64_t boundSheetOffsetField = 0;
  int64_t dimensions = 0;
  uint32_t rowCursor = 0;   // the next row to write
  uint16_t columnSpan = 0;  // columns + leading columns
};

class TQXLSWriter : public TQExportWriter {
 public:
  // The compound file goes to `destination` when Close is called.
  TQXLSWriter(TQExportXLS* owner, platform::Stream& destination);

  void WriteRecord(uint16_t number, uint16_t length) { m_stream.WriteRecord(number, length); }
  void WriteWordRecord(uint16_t number, uint16_t value) { m_stream.WriteWordRecord(number, value); }
  int64_t CurrentPosition() const { return m_stream.CurrentPosition(); }

  // The globals up to EOF, with one BOUNDSHEET per sheet; remembers the two
  // insertion positions and each sheet's BOUNDSHEET offset field.
  void WriteGlobals(std::vector<XlsSheetStream*>& sheets, const TxlsFont& dataFont);
  // Patches the sheet's BOUNDSHEET offset, then writes its prologue up to
  // DEFCOLWIDTH.
  void BeginSheet(XlsSheetStream& sheet, std::string_view pageHeader, std::string_view pageFooter);
  void WriteColumnInfo(int column, int width, int xf);
  // The DIMENSIONS placeholder, patched at the end.
  void WriteDimensions(XlsSheetStream& sheet);
  // WINDOW2, SELECTION, EOF.
  void EndSheet();
  // HEADER or FOOTER: empty gives length 0; otherwise count, 0x00, the bytes.
  void WriteHeaderFooter(uint16_t number, std::string_view text);

  void WriteBlank(int row, int col, int xf);
  void WriteNumber(int row, int col, int xf, double value);
  void WriteBoolean(int row, int col, int xf, bool value);
  void WriteLabelSst(int row, int col, int xf, uint32_t index);
  // An aggregate (SUM, AVERAGE, MIN, MAX) over rows first..last of the column.
  void WriteAggregateFormula(int row, int col, int xf, TxlsAggregate aggregate, int firstRow,
                             int lastRow);

  // The end phase: the format block and the shared strings built, the
  // sheets' offsets moved past them, the dimensions patched.
  void FinishBlocks(const std::vector<XlsSheetStream*>& sheets, const SharedStringTable& strings);

  // Stores the stream (with its blocks once finished, else as it stands) in
  // the compound file on the destination.
  void Close();

  XlsFormatRegistry& Registry() { return m_registry; }
  const BiffStream& Stream() const { return m_stream; }

 private:
  // A cell record's body in the record buffer, its row, column and XF written.
  RecordBody CellBody(size_t length, int row, int col, int xf);

  BiffStream m_stream;
  XlsFormatRegistry m_registry;
  platform::Stream& m_destination;
  int64_t m_formatBlockPosition = 0;
  int64_t m_sharedStringPosition = 0;
  std::string m_formatBlock, m_sharedStrings;
  bool m_closed = false;
};

}  // namespace kvn::exporting
