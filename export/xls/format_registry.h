// The per-workbook registries that turn cell formats into FONT, FORMAT and XF
// records without duplicates, and the links from fields and strips to their XF.
// Registration order is record order: the records are written once, at the end.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "export/xls/xls_formats.h"

namespace kvn::exporting {

// A number-format string and its FORMAT index.
struct TxlsTextFormat {
  std::string Text = "General";
  int Index = 0;
};

// A registered cell format. Without a font the XF uses font 0; without a number
// format it uses format 0 ("General").
struct TxlsXFormat {
  int Index = 0;
  const TxlsFont* Font = nullptr;
  const TxlsTextFormat* Format = nullptr;
  TxlsBorders Borders;
  TxlsFill Fill;
  TxlsAlignment Alignment;
  bool Wrap = false;
};

struct TxlsXFormatField {
  int Sheet = 0;
  std::string FieldName;
  int XF = 0;
};

// Key: the column index for column strips, column + 1000 x style for row strips.
struct TxlsXFormatColRow {
  int Sheet = 0;
  int Key = 0;
  int XF = 0;
};

// The default cell format every unformatted cell uses.
constexpr int kDefaultXF = 15;

class XlsFormatRegistry {
 public:
  // The XF index for a number-format text (empty counts as "General") and an
  // optional format. A font equal to dataFont is left out (the XF then uses font 0).
  int RegisterFormat(const TxlsFont& dataFont, std::string_view text, const TxlsFormat* format);

  // The registered XF of an index above 15; nullptr for the built-in ones.
  const TxlsXFormat* XFormat(int index) const;

  const std::vector<std::unique_ptr<TxlsFont>>& Fonts() const { return m_fonts; }
  const std::vector<std::unique_ptr<TxlsTextFormat>>& TextFormats() const { return m_formats; }
  const std::vector<std::unique_ptr<TxlsXFormat>>& XFormats() const { return m_xformats; }

  // Field links: the first link of (sheet, field name ignoring case) wins.
  void AddFieldLink(int sheet, std::string_view fieldName, int xf);
  bool HasFieldLink(int sheet, std::string_view fieldName) const;
  // kDefaultXF when there is none.
  int FieldLink(int sheet, std::string_view fieldName) const;
  void AddColRowLink(int sheet, int key, int xf);
  // kDefaultXF when there is none.
  int ColRowLink(int sheet, int key) const;

 private:
  std::vector<std::unique_ptr<TxlsFont>> m_fonts;
  std::vector<std::unique_ptr<TxlsTextFormat>> m_formats;
  std::vector<std::unique_ptr<TxlsXFormat>> m_xformats;
  std::unordered_map<std::string, const TxlsFont*> m_fontByKey;
  std::unordered_map<std::string, const TxlsTextFormat*> m_formatByText;
  std::unordered_map<std::string, int> m_xfByKey;
  std::vector<TxlsXFormatField> m_fieldLinks;
  std::vector<TxlsXFormatColRow> m_colRowLinks;
  // Each registration increments first: user formats start at 50, XFs at 16,
  // fonts at 5 (index 4 is never used in this file format).
  int m_lastFormat = 49;
  int m_lastXF = 15;
  int m_lastFont = 4;
};

}  // namespace kvn::exporting
