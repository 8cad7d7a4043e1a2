// The workbook exporter: one worksheet per exported sheet, each laid out as
// header lines, the caption row, one row per record, an aggregate row and
// footer lines, with cell formats from the sheet's options, field formats and
// strip styles.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/exporter.h"
#include "export/xls/shared_strings.h"
#include "export/xls/xls_formats.h"
#include "export/xls/xls_writer.h"
#include "platform/error.h"

namespace kvn::exporting {

class TQExportXLS;

// A sheet that would reach past the 65536 rows or 256 columns of a worksheet.
class XlsLimitError : public Error {
 public:
  using Error::Error;
};

constexpr int kXlsMaxRows = 65536;
constexpr int kXlsMaxColumns = 256;

// One worksheet: its source and everything that shapes it. The published names
// are those of the exporter, so the columns read them the same way.
class TxlsSheet {
 public:
  TxlsSheet();
  TxlsSheet(const TxlsSheet&) = delete;
  TxlsSheet& operator=(const TxlsSheet&) = delete;

  bool AutoCalcColWidth = false;
  std::string Title;
  TXLSOptions Options;
  TxlsFieldFormats FieldFormats;
  TxlsFormats StripStyles;
  TxlsStripType StripType = ssNone;
  TQExportSource ExportSource = TQExportSource::esDataSet;
  db::DataSet* DataSet = nullptr;
  ListViewSource* ListView = nullptr;
  DBGridSource* DBGrid = nullptr;
  StringGridSource* StringGrid = nullptr;
  int HeaderRows = 0;
  int StartDataCol = 0;
  int FooterRows = 0;
  StringList ExportedFields, Header, Captions, Footer, UserFormats, ColumnsWidth;
  TQExportFormats Formats;
  bool AllowCaptions = true;
  bool GoToFirstRecord = true;
  int ExportRecCount = 0;
  int SkipRecCount = 0;
  bool CurrentRecordOnly = false;
  bool OnlyVisibleFields = true;
  bool AutoCalcStrType = false;
  int CaptionRow = -1;
  bool Exported = true;

  void Assign(const TxlsSheet& other);
  // The title when it is not empty.
  std::string GetDisplayName() const;
  int Index() const { return m_index; }

  TQExportColumns& Columns() { return m_columns; }
  TQExportRow& Row() { return m_row; }
  int RecordCounter() const { return m_recordCounter; }
  SourceAccess Source() const;

 private:
  friend class TQExportXLS;
  friend class TxlsSheets;
  void GetColumnOptions(ColumnOptions& o) const;

  int m_index = -1;
  TQExportColumns m_columns;
  TQExportRow m_row;
  std::function<void(TQExportCol&, std::string&)> m_getColData;
  std::vector<TQExportCol*> m_cellOfColumn;
  int m_recordCounter = 0;
  XlsSheetStream m_stream;
};

class TxlsSheets {
 public:
  // A new sheet titled "Sheet n", n counting it.
  TxlsSheet& Add();
  void Delete(size_t index);
  void Clear() { m_items.clear(); }
  size_t Count() const { return m_items.size(); }
  TxlsSheet& operator[](size_t i) { return *m_items[i]; }
  const TxlsSheet& operator[](size_t i) const { return *m_items[i]; }

 private:
  void Renumber();
  std::vector<std::unique_ptr<TxlsSheet>> m_items;
};

class TQExportXLS : public TQExportFormatText {
 public:
  TQExportXLS();
  ~TQExportXLS() override;

  TXLSOptions Options;
  TxlsFieldFormats FieldFormats;
  TxlsFormats StripStyles;
  TxlsStripType StripType = ssNone;
  TxlsSheets Sheets;
  int HeaderRows = 0;
  int StartDataCol = 0;
  int FooterRows = 0;

  std::function<void(TQExportXLS* sender, int sheet, int recNo)> OnAdvancedExportedRecord;
  std::function<void(TQExportXLS* sender, int sheet, int colNo, std::string& text)>
      OnAdvancedGetExportText;
  std::function<void(TQExportXLS* sender, int sheet, TQExportRow& row, bool& accept)>
      OnAdvancedBeforeExportRow;
  // The cell events have the sheet written as their sender.
  using HeaderFooterParams = std::function<void(TxlsSheet* sender, int sheet, int col, int row,
                                                TxlsFormat& format, std::string& s)>;
  HeaderFooterParams OnGetHeaderParams;
  std::function<void(TxlsSheet* sender, int sheet, int col, TxlsFormat& format,
                     std::string& caption)>
      OnGetCaptionParams;
  HeaderFooterParams OnGetBeforeDataParams;
  std::function<void(TxlsSheet* sender, int sheet, int col, int row, TxlsFormat& format,
                     std::string& formatText)>
      OnGetDataParams;
  std::function<void(TxlsSheet* sender, int sheet, int col, TxlsFormat& format,
                     std::string& formatText, std::string& value)>
      OnGetAggregateParams;
  HeaderFooterParams OnGetFooterParams;

  // Checks the file name and directory, creates the file and exports into it.
  // A sheet too large for the format leaves no file behind.
  void Execute() override;
  // Exports the workbook, as a compound file, onto a stream.
  void ExportToStream(platform::Stream& stream) override;
  // Sheets referring to a source being destroyed forget it.
  void Notification(const void* removed) override;

  // The index of a text cell's text in the shared string table.
  uint32_t AddSharedString(std::string_view text) { return m_strings.Add(text); }
  TQXLSWriter* XLSWriter() { return m_xls.get(); }

 protected:
  // The workbook holds its texts in UTF-16: nothing to convert on the way.
  bool WriterEncodes() const override { return false; }
  void BeginExport() override;
  void EndExport() override;

 private:
  void Run();
  std::vector<TxlsSheet*> ExportedSheets();
  void ValidateSheet(TxlsSheet& sheet);
  void PrepareSheet(TxlsSheet& sheet);
  // False when the run ends early (an abort).
  bool ExportSheet(TxlsSheet& sheet);
  void WriteLines(TxlsSheet& sheet, const StringList& lines, int rowCount, TxlsFormat& format,
                  const HeaderFooterParams& event);
  void WriteCaptionRow(TxlsSheet& sheet);
  void WriteDataRow(TxlsSheet& sheet);
  void WriteAggregateRow(TxlsSheet& sheet, int firstDataRow, bool anyDataRow);
  void WriteLeadingCells(TxlsSheet& sheet);
  int DataCellFormat(TxlsSheet& sheet, size_t column);
  int Register(TxlsSheet& sheet, std::string_view text, const TxlsFormat* format);

  // Cells, each checked against the sheet's limits first.
  void CheckFits(const TxlsSheet& sheet, int row, int col) const;
  void TextCell(TxlsSheet& sheet, int row, int col, int xf, std::string_view text);

  std::unique_ptr<TQXLSWriter> m_xls;
  SharedStringTable m_strings;
  std::vector<TxlsSheet*> m_exported;
  // Per exported column of the current sheet: the field link's XF, and the
  // strip XFs (one row of columns per strip style).
  std::vector<int> m_fieldXF;
  std::vector<std::vector<int>> m_stripXF;
  std::string m_value;
};

}  // namespace kvn::exporting
