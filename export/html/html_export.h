// HTML pages: one table styled by a generated style sheet (inside the page or
// in a CSS file), optionally split over numbered page files with an index page
// and navigation bars inserted above and below each table.
//
//   <HTML><HEAD> title, charset, style | link </HEAD><BODY> [nav] header lines
//   [frame table] <Table> caption row, data rows </Table> [frame end] footer
//   lines [nav] </BODY></HTML>
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "export/exporter.h"
#include "platform/output_set.h"

namespace kvn::exporting {

enum class THTMLTemplate {
  htCustom,
  htBW,
  htClassic,
  htColorFul,
  htGray,
  htMS_Money,
  htMurky,
  htOlive,
  htPlain,
  htSimple
};
enum class TUsingCSS { usInternal, usExternal };

struct THTMLOptions {
  platform::TColor BackgroundColor = 0;
  std::string BackgroundFileName;
  platform::TColor LinkColor = 0, VLinkColor = 0, ALinkColor = 0;
  Font TextFont;
  StringList AdvancedAttributes;
  // The font properties left to the browser (not written).
  bool DefaultFontName = false;
  bool DefaultFontSize = true;
};

struct TTableOptions {
  int Border = 1;
  int CellPadding = 4;
  int CellSpacing = 1;
  StringList AdvancedAttributes;
  platform::TColor HeadersRowBgColor = 0, HeadersRowFontColor = 0;
  platform::TColor TableBgColor = 0, TableFontColor = 0, OddRowBgColor = 0;
  platform::TColor BorderColor = platform::clWhite;
  std::string BackgroundFileName;
};

struct TQExportHTMLNavigation {
  std::string IndexLinkTemplate;
  bool OnTop = true;
  bool OnBottom = true;
  std::string IndexLinkTitle = "Index", FirstLinkTitle = "First", PriorLinkTitle = "Prior",
              NextLinkTitle = "Next", LastLinkTitle = "Last";
};

class TQHTMLWriter : public TQExportWriter {
 public:
  using TQExportWriter::TQExportWriter;
  // "Left", "Center", "Right".
  std::string AlignToStr(TQExportColAlign align) const override;
};

// "#rrggbb": the colour's red and blue bytes swapped, as "#%.6x".
std::string HtmlColor(platform::TColor color);
// The page file of page n: "films.html" gives "films01.html", ... "films100.html".
std::string PageFileName(const std::string& fileName, int page);

class TQExportHTML : public TQExportFormatText {
 public:
  TQExportHTML();
  ~TQExportHTML() override;

  THTMLOptions HTMLOptions;
  TTableOptions TableOptions;
  TUsingCSS UsingCSS = TUsingCSS::usInternal;
  std::string CSSFileName;
  bool OverwriteCSSFile = true;
  bool GenerateIndex = false;
  TQExportHTMLNavigation Navigation;
  bool BoolAsCheckBox = false;
  // The pages' encoding, named in each page; what it cannot hold is a
  // character reference, so nothing is lost in the default Windows-1252.
  std::string Encoding = "windows-1252";
  std::string TextEncoding() const override { return Encoding; }
  platform::TextEncoder::Unholdable UnholdableAs() const override {
    return platform::TextEncoder::Unholdable::Reference;
  }

  THTMLTemplate HTMLTemplate() const { return m_template; }
  // A template other than htCustom copies its colours and font name.
  void SetHTMLTemplate(THTMLTemplate t);
  int MaxRecords() const { return m_maxRecords; }
  void SetMaxRecords(int n) { m_maxRecords = n < 0 ? 0 : n; }

  // The colour scheme as a small settings file.
  void SaveTemplateToFile(const std::string& fileName);
  void LoadTemplateFromFile(const std::string& fileName);

  // Writes FileName (and the page files, the style sheet file), each through a
  // temporary file committed once the whole export is complete.
  void Execute() override;
  void GetColumnOptions(ColumnOptions& options) const override;

 protected:
  std::unique_ptr<TQExportWriter> CreateWriter(platform::Stream& stream) override;
  void BeginExport() override;
  void AfterExport() override;
  void EndExport() override;
  void WriteCaptionRow() override {}
  void WriteDataRow() override;
  void GetColData(TQExportCol& col, std::string& text) override;
  std::set<char> GetSpecialChars() override { return {'"', '&', '<', '>'}; }
  std::string EscapeText(const std::string& text) override;
  std::string GetShowedFileName() override;
  std::string GetPrintedFileName() override;

 private:
  struct Page {
    std::string fileName;
    int64_t topPos = -1, bottomPos = -1;
    size_t member = 0;  // in m_files
  };
  bool PageMode() const { return m_maxRecords > 0 && m_fileOutput; }
  // The file the page being written goes to.
  std::string PageFile() const;
  // A picture's link from fromFile.
  std::string LinkTo(const std::string& file, const std::string& fromFile) const;
  void WritePageHead();
  void ClosePage();
  void WriteStyle(TQExportWriter& w);
  void WriteNavigation(int page);
  std::string NavigationBar(int page, bool top) const;
  std::vector<std::string> FontLines() const;
  // The colours a template file holds, in its order: section, key, colour.
  struct TemplateColor {
    const char* section;
    const char* key;
    platform::TColor* color;
  };
  std::vector<TemplateColor> TemplateColors();

  THTMLTemplate m_template = THTMLTemplate::htClassic;
  int m_maxRecords = 0;
  std::vector<std::string> m_styleSheet;
  std::vector<Page> m_pages;
  // Every page lies in the export's folder: a link to page n reads the same
  // from any page, and is made once (a bar lists every page on every page).
  mutable std::vector<std::string> m_pageLinks;
  bool m_framed = false;
  bool m_headWritten = false;
  bool m_fileOutput = false;  // ExportToStream called by Execute: pages are files
  // Every file of one export (FileName, the pages, the style sheet) replaces
  // the earlier ones as one set, while Execute runs.
  std::unique_ptr<platform::OutputSet> m_files;
  bool m_cssWritten = false;
  int m_rowInPage = 0;
};

}  // namespace kvn::exporting
