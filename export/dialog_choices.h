// What the export dialog holds, without its window: the settings it is given,
// the exporter object of each format, the choices of its pages (type, file,
// fields and their order, formats, header and footer, captions grid, each
// format's page), how a choice changes the others, how an export is prepared
// from them, and the options file that stores them. The window shows and edits
// these choices; the command line sets them from the same options file.
#pragma once

#include <array>
#include <set>
#include <string>
#include <vector>

#include "export/dbf/dbf_export.h"
#include "export/exporter.h"
#include "export/html/html_export.h"
#include "export/latex/latex_export.h"
#include "export/pdf/pdf_export.h"
#include "export/rtf/rtf_export.h"
#include "export/sql/sql_export.h"
#include "export/text/ascii_export.h"
#include "export/text/clipboard_export.h"
#include "export/xls/xls_export.h"
#include "export/xml/xml_export.h"
#include "platform/ini_file.h"

namespace kvn::exporting {

// The export types, numbered as the dialog lists them.
enum TAllowedExport {
  aeXLS,
  aeWord,
  aeRTF,
  aeHTML,
  aeXML,
  aeDBF,
  aePDF,
  aeTXT,
  aeCSV,
  aeDIFF,
  aeSylk,
  aeLaTeX,
  aeSQL,
  aeClipboard
};
constexpr int kExportTypeCount = 14;
enum TCommonOption { coFields, coFormats, coColons, coCaptions, coOptions };

struct ExportTypeText {
  const char* listText;   // "MS Excel"
  const char* extension;  // "xls"; empty for the clipboard
  const char* filter;     // "Fichiers Microsoft Excel (*.xls)|*.xls"; empty for the clipboard
};
const ExportTypeText& TypeText(int type);

// The option holders of the dialog: the starting values of the format pages.
struct TSQLOptions {
  std::string TableName;
  bool CreateTable = false;
  int CommitRecCount = 0;
  bool CommitAfterScript = false;
  std::string CommitStatement = "COMMIT WORK;";
  char StatementTerm = ';';
};
struct TTXTOptions {
  bool AutoCalcColWidth = true;
  int ColSpacing = 1;
};
struct TCSVOptions {
  char Comma = GetListSeparator();
  char Quote = '"';
  bool QuoteStrings = true;
};
struct THTMLPageOptions {
  std::string Title;
  THTMLOptions Options = DefaultHtmlOptions();
  TUsingCSS UsingCSS = TUsingCSS::usInternal;
  std::string CSSFileName;
  bool OverwriteCSSFile = true;
  bool BoolAsCheckBox = false;
  static THTMLOptions DefaultHtmlOptions();
};
struct THTMLMultiFileOptions {
  int FileRecCount = 0;
  bool GenerateIndex = false;
  TQExportHTMLNavigation Navigation;
};
struct TXLSDialogOptions {
  TXLSOptions Options;
  bool AutoCalcColWidth = false;
  TxlsStripType StripType = ssNone;
  TxlsFieldFormats FieldFormats;
  TxlsFormats StripStyles;
  TXLSDialogOptions() { Options.CaptionsFormat.Font.Style.Include(xfsBold); }
};

// The component's settings: the source, what is offered, and the starting
// value of every page.
struct ExportDialogSettings {
  TQExportSource ExportSource = TQExportSource::esDataSet;
  db::DataSet* DataSet = nullptr;
  ListViewSource* ListView = nullptr;
  DBGridSource* DBGrid = nullptr;
  StringGridSource* StringGrid = nullptr;
  std::set<int> AllowedExports = AllTypes();
  std::set<TCommonOption> CommonOptions = {coFields, coFormats, coColons, coCaptions, coOptions};
  bool AutoChangeFileExt = true;
  bool ConfirmAbort = true;
  bool OnlyVisibleFields = false;
  bool MemoFields = false;  // memo fields exported when no field is named
  bool AutoCalcStrType = false;
  std::string OptionsFileName;  // UTF-8
  bool AutoSaveOptions = false;
  bool AutoLoadOptions = false;
  bool SaveLoadButtons = false;
  std::string FileName;  // UTF-8
  bool ShowFile = true;
  bool PrintFile = false;
  StringList ExportedFields, Header, Captions, Footer, UserFormats, ColumnsWidth, ColumnsAlign;
  bool AllowCaptions = true;
  int CaptionRow = -1;
  TQExportFormats Formats;
  bool CurrentRecordOnly = false;
  bool ExportEmpty = true;
  bool GoToFirstRecord = true;
  int ExportRecCount = 0;
  int SkipRecCount = 0;

  TRTFOptions RTFOptions;
  TXMLOptions XMLOptions;
  TSQLOptions SQLOptions;
  THTMLPageOptions HTMLPageOptions;
  TTableOptions HTMLTableOptions = DefaultHtmlTable();
  THTMLMultiFileOptions HTMLMultiFileOptions;
  TTXTOptions TXTOptions;
  TCSVOptions CSVOptions;
  TPDFOptions PDFOptions;
  TXLSDialogOptions XLSOptions;

  static std::set<int> AllTypes();
  static TTableOptions DefaultHtmlTable();
};

// "Gauche", "Centre", "Droite" and the alignment names exporters read.
std::string AlignGridText(TQExportColAlign align);
std::string AlignFromGridText(const std::string& gridText);

class ExportChoices {
 public:
  // Builds the column list from the source and takes every page's starting
  // value from the settings. Throws "La source (%s) n'est pas liée" or "La
  // propriété Allowed ne peut être vide".
  explicit ExportChoices(const ExportDialogSettings& settings);
  ExportChoices(const ExportChoices&) = delete;
  ExportChoices& operator=(const ExportChoices&) = delete;

  const ExportDialogSettings& Settings() const { return m_settings; }

  // ----- the exporter objects, one per class, kept for the dialog's life
  TQExportXLS XLSExp;
  TQExportRTF RTFExp;
  TQExportHTML HTMLExp;
  TQExportXML XMLExp;
  TQExportDBF DBFExp;
  TQExportPDF PDFExp;
  TQExportLaTeX LaTeXExp;
  TQExportSQL SQLExp;
  TQExportClipboard ClipExp;
  TQExportASCII ASCIIExp;
  // The exporter a type runs.
  TQExport& ExporterOf(int type);
  std::vector<TQExport*> Exporters();

  // ----- type and file
  const std::vector<int>& Types() const { return m_types; }  // offered, in type order
  int Type() const { return m_type; }
  // Selects a type and applies the extension rule.
  void SetType(int type);
  std::string FileName;  // UTF-8
  bool ShowFile = true;
  bool PrintFile = false;
  // The type's extension in place of the file name's (added when it has none),
  // with AutoChangeFileExt, a file type and a file name.
  void ApplyExtensionRule();
  bool CanStart() const { return m_type == aeClipboard || !FileName.empty(); }

  // ----- constraints
  bool GoToFirstRecord = true;
  bool CurrentRecordOnly = false;
  bool ExportEmpty = true;
  int SkipRecCount = 0;
  int ExportRecCount = 0;

  // ----- fields (Windows-1252 names)
  struct SourceColumn {
    std::string name;
    TQExportColType type = TQExportColType::String;
    bool blob = false;
  };
  const std::vector<SourceColumn>& Columns() const { return m_columns; }
  std::vector<std::string> Available, Exported;
  // The moves of the fields page; each returns the index to select in the
  // list the field left (-1 when it is empty).
  int MoveToExported(int availableIndex);
  void MoveAllToExported();
  int MoveToAvailable(int exportedIndex);
  void MoveAllToAvailable();
  // Drags within a list: the entry at from goes to the place of to.
  static void MoveWithin(std::vector<std::string>& list, int from, int to);
  // Whether a field is exported (an empty exported list: every field but the
  // large binary and memo ones).
  bool IsExported(const std::string& field) const;
  std::vector<std::string> FieldsToExport() const;

  // ----- formats
  TQExportFormats Formats;
  StringList UserFormats;  // name=format
  // The fields the user formats may name (numeric, date and time columns).
  std::vector<std::string> UserFormatFields() const;
  std::vector<std::string> FormatSuggestions(const std::string& field) const;
  // Replaces the entry of the same field.
  void AddUserFormat(const std::string& field, const std::string& format);

  // ----- header, footer, captions
  StringList Header, Footer;
  struct CaptionRow {
    std::string field, caption;
    std::string align;  // "Gauche", "Centre", "Droite"
    std::string width;
    std::string sourceWidth;  // the width the source gave the row
  };
  std::vector<CaptionRow> Captions;
  bool AllowCaptions = true;
  int CaptionRowNumber = -1;

  // ----- the Excel page (its areas are XLSExp.Options' formats)
  std::vector<TxlsFieldFormat> XlsFields;  // one per source column
  std::vector<TxlsFormat> XlsStyles;       // "ITEM_1", "ITEM_2", ...
  static std::string StyleName(size_t index) { return "ITEM_" + std::to_string(index + 1); }
  // Saves or loads the styles as a style file.
  void SaveXlsStyles(const std::string& fileName) const;
  void LoadXlsStyles(const std::string& fileName);

  // ----- the HTML page's multi-file choice (the rest is HTMLExp's own)
  bool HtmlMultiFile = false;
  int HtmlMaxRecords = 0;

  // ----- the SQL page's table name and terminator as typed
  std::string SqlTableName;
  std::string SqlStatementTerm = ";";

  // ----- the TXT page (the CSV page's values live in ASCIIExp)
  bool TxtAutoCalcColWidth = true;
  int TxtSpacing = 1;

  // Applies the extension rule, copies the selected type's page and the
  // common settings into its exporter and returns it, ready to run.
  TQExport& PrepareExport(bool applyExtensionRule = true);

  // ----- the options file
  void SaveOptions(platform::IniFile& ini);
  // Checks the file first (a value that would make a broken or endless export
  // is refused, nothing is changed). With selectType, the file's type is
  // selected when it is offered.
  void LoadOptions(const platform::IniFile& ini, bool selectType = true);

 private:
  void CopyXlsPage();
  void CopyHtmlPage();
  void CopyAsciiPage();
  void CopySqlPage();
  void CopyCommon(TQExport& e);
  void CopyCaptions(TQExport& e);
  int SourceIndex(const std::string& field) const;
  int AvailablePlace(const std::string& field) const;

  ExportDialogSettings m_settings;
  std::vector<int> m_types;
  int m_type = 0;
  std::vector<SourceColumn> m_columns;
};

}  // namespace kvn::exporting
