// The rows as a Rich Text Format document holding one table, for word
// processors (RTF and Word files share it).
//
//   header, font table, colour table, default font, page size words,
//   header lines, \par, row definition (one \cellx per column), caption row,
//   data rows (\pard\intbl ...\cell ... \row), \pard \par, footer lines, }
#pragma once

#include "export/exporter.h"
#include "export/rtf/rtf_writer.h"

namespace kvn::exporting {

struct TRTFOptions {
  Font DefaultFont;
  Font HeaderFont;
  TQExportPageOrientation PageOrientation = TQExportPageOrientation::poPortrait;

  TRTFOptions() { HeaderFont.bold = true; }
};

class TQExportRTF : public TQExportFormatText {
 public:
  TRTFOptions Options;

  void GetColumnOptions(ColumnOptions& options) const override;

 protected:
  std::unique_ptr<TQExportWriter> CreateWriter(platform::Stream& stream) override;
  void BeginExport() override;
  void BeforeExport() override;
  void EndExport() override;
  void WriteCaptionRow() override;
  void WriteDataRow() override;
  std::string GetColCaption(int index) override;
  void GetColData(TQExportCol& col, std::string& text) override;
  // Backslashes and braces are escaped, characters above 127 written as \'xx,
  // so that word processors read every value whole.
  std::string EscapeText(const std::string& text) override;
  bool EscapesText() override { return true; }

 private:
  TQRTFWriter& Rtf() { return static_cast<TQRTFWriter&>(*Writer()); }
  static std::string StyleWords(const Font& font);
};

// Characters past ASCII as \'xx (their Windows-1252 byte) or \uN? (any other); nothing else.
std::string RtfHighCharacters(const std::string& text);

}  // namespace kvn::exporting
