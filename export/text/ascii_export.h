// Plain-text exports: fixed-width text (TXT), separated values (CSV), the Data
// Interchange Format (DIF) and the symbolic link format (SYLK). Windows-1252
// bytes, CR LF line ends, no byte-order mark.
//
// DIF:  TABLE/VECTORS/TUPLES/DATA header, then per row "-1,0" "BOT" and one
//       tuple per cell ("1,0" + quoted text, or "0,number" + "V"), then "-1,0" "EOD".
// SYLK: "ID;PVASCIIEXPORT", one "C;X<col>;Y<row>;K\"text\"" record per cell, "E".
#pragma once

#include "export/exporter.h"

namespace kvn::exporting {

enum class TQExportASCIIType { etTXT, etCSV, etDIF, etSYLK };

class TQExportASCII : public TQExportFormatText {
 public:
  TQExportASCII();

  TQExportASCIIType ExportType() const { return m_type; }
  // Back to TXT also turns AutoCalcColWidth on.
  void SetExportType(TQExportASCIIType type);
  char CSVComma;
  char CSVQuote = '"';
  bool CSVQuoteStrings = true;
  int TXTSpacing = 1;
  // TXT and CSV: Windows-1252 (as the formats are described), "UTF-8", or
  // "UTF-8-BOM" (UTF-8 opened by a byte-order mark, which spreadsheets need
  // to recognise it), or any encoding the system knows. DIF and SYLK are
  // always Windows-1252.
  std::string Encoding = "windows-1252";
  std::string TextEncoding() const override;

  void SaveToIni(platform::IniFile& ini) override;
  void LoadFromIni(const platform::IniFile& ini) override;
  void GetColumnOptions(ColumnOptions& options) const override;
  // Only a flag: the closing text is written once, by EndExport, also after an
  // abort, never at the moment of the request.
  void Abort() override { TQExport::Abort(); }

 protected:
  void BeginExport() override;
  void EndExport() override;
  std::string GetCaptionRow() override;
  void WriteCaptionRow() override;
  std::string GetDataRow(bool formatted) override;
  void WriteDataRow() override;
  std::string GetColCaption(int index) override;
  void GetColData(TQExportCol& col, std::string& text) override;

 private:
  void BuildDataRow(bool formatted, std::string& row);
  std::string TxtCell(int column, const std::string& text) const;
  std::string CsvCell(const std::string& text) const;
  int CountDifTuples();

  TQExportASCIIType m_type = TQExportASCIIType::etTXT;
  std::string m_rowText, m_cellText;  // reused for every row
};

// Whether an encoding name asks for UTF-8 with a byte-order mark ("UTF-8-BOM").
bool IsUtf8WithBom(std::string_view encoding);

// The text of a DIF string or SYLK value: line breaks become blanks (both
// formats are line-based) and SYLK doubles its semicolons, so the text cannot
// end its record. DIF readers take a string up to its last quote: quotes inside
// stay as they are.
std::string DifString(std::string_view text);
std::string SylkString(std::string_view text);

}  // namespace kvn::exporting
