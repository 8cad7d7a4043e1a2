// Separated or fixed-width text built in memory and put on the clipboard.
#pragma once

#include "export/exporter.h"

namespace kvn::exporting {

enum class TQClipboardExportType { etSeparated, etFixed };

class TQExportClipboard : public TQExportMemory {
 public:
  TQExportClipboard();
  TQClipboardExportType ExportType() const { return m_type; }
  // AutoCalcColWidth follows: on exactly for etFixed.
  void SetExportType(TQClipboardExportType type);
  char Separator;
  int Spacing = 2;                              // kept with the options; no output reads it
  std::string ClipboardViewer = "Clipbrd.exe";  // idem

  void GetColumnOptions(ColumnOptions& options) const override;
  // The clipboard takes Unicode text.
  std::string TextEncoding() const override { return "UTF-8"; }

 protected:
  void BeginExport() override;
  void EndExport() override;
  void WriteCaptionRow() override;
  void WriteDataRow() override;
  std::string GetColCaption(int index) override;
  void GetColData(TQExportCol& col, std::string& text) override;

 private:
  std::string Cell(int column, const std::string& text) const;
  TQClipboardExportType m_type = TQClipboardExportType::etSeparated;
};

}  // namespace kvn::exporting
