#include "export/dialog_choices.h"

#include <algorithm>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/locale_settings.h"
#include "platform/strings.h"

namespace kvn::exporting {

namespace {

constexpr ExportTypeText kTypes[kExportTypeCount] = {
    {"MS Excel", "xls", "Fichiers Microsoft Excel (*.xls)|*.xls"},
    {"MS Word", "doc", "Fichiers Microsoft Word  (*.doc)|*.doc"},
    {"RTF", "rtf", "Fichiers RTF (*.rtf)|*.rtf"},
    {"HTML", "html", "Fichiers HTML (*.html, *.htm)|*.html;*.htm"},
    {"XML", "xml", "Fichiers XML (*.xml)|*.xml"},
    {"DBF", "dbf", "Fichiers DBF (*.dbf)|*.dbf"},
    {"PDF", "pdf", "Documents PDF (*pdf)|*.pdf"},
    {"Fichier Texte", "txt", "Fichiers Texte (*.txt)|*.txt"},
    {"Fichier CSV", "csv", "Fichiers CSV (*.csv)|*.csv"},
    {"Fichier DIF", "dif", "Fichiers DIF (*.dif)|*.dif"},
    {"Fichier SYLK", "slk", "Fichiers SYLK (*.slk)|*.slk"},
    {"LaTeX", "tex", "Fichiers LaTeX (*.tex)|*.tex"},
    {"SQL", "sql", "Fichiers SQL (*.sql)|*.sql"},
    {"Presse-papier Windows", "", ""},
};

platform::TColor Rgb(uint32_t red, uint32_t green, uint32_t blue) {
  return red | (green << 8) | (blue << 16);
}

bool IsFormatted(TQExportColType t) {
  return t == TQExportColType::Integer || t == TQExportColType::Float ||
         t == TQExportColType::Currency || t == TQExportColType::Date ||
         t == TQExportColType::Time || t == TQExportColType::DateTime;
}

const std::string& CommonFormat(const TQExportFormats& f, TQExportColType t) {
  switch (t) {
    case TQExportColType::Integer:
      return f.IntegerFormat();
    case TQExportColType::Float:
      return f.FloatFormat();
    case TQExportColType::Currency:
      return f.CurrencyFormat();
    case TQExportColType::Date:
      return f.DateFormat();
    case TQExportColType::Time:
      return f.TimeFormat();
    default:
      return f.DateTimeFormat();
  }
}

}  // namespace

const ExportTypeText& TypeText(int type) {
  return kTypes[std::clamp(type, 0, kExportTypeCount - 1)];
}

std::set<int> ExportDialogSettings::AllTypes() {
  std::set<int> all;
  for (int i = 0; i < kExportTypeCount; ++i) all.insert(i);
  return all;
}

THTMLOptions THTMLPageOptions::DefaultHtmlOptions() {
  THTMLOptions o;
  o.BackgroundColor = Rgb(0x33, 0x33, 0x99);
  o.TextFont.name = "Arial";
  o.TextFont.color = platform::clWhite;
  o.DefaultFontName = false;
  o.DefaultFontSize = true;
  o.LinkColor = Rgb(0x69, 0xEF, 0x7D);
  o.VLinkColor = Rgb(0xFF, 0x00, 0xFF);
  o.ALinkColor = Rgb(0x00, 0xFF, 0x00);
  return o;
}

TTableOptions ExportDialogSettings::DefaultHtmlTable() {
  TTableOptions t;
  t.Border = 1;
  t.CellPadding = 4;
  t.CellSpacing = 1;
  t.HeadersRowBgColor = Rgb(0xFF, 0x00, 0x00);
  t.HeadersRowFontColor = platform::clWhite;
  t.TableBgColor = Rgb(0x00, 0x7A, 0xEC);
  t.TableFontColor = platform::clWhite;
  t.OddRowBgColor = Rgb(0x00, 0x6B, 0xCE);
  t.BorderColor = platform::clWhite;
  return t;
}

std::string AlignGridText(TQExportColAlign align) {
  switch (align) {
    case TQExportColAlign::ecaCenter:
      return "Centre";
    case TQExportColAlign::ecaRight:
      return "Droite";
    default:
      return "Gauche";
  }
}

std::string AlignFromGridText(const std::string& gridText) {
  if (gridText == "Centre") return "Center";
  if (gridText == "Droite") return "Right";
  return "Left";
}

// ----------------------------------------------------------------- opening

ExportChoices::ExportChoices(const ExportDialogSettings& settings) : m_settings(settings) {
  const ExportDialogSettings& s = m_settings;
  SourceAccess source = SourceOf(s);
  if (!source.Linked())
    throw Error(platform::Subst("La source (%s) n'est pas liée", {SourceName(s.ExportSource)}));
  if (s.AllowedExports.empty()) throw Error("La propriété Allowed ne peut être vide");

  // The column list of the source, built the way an exporter builds its own.
  TQExportColumns columns(
      [&](ColumnOptions& o) {
        o.Source = source;
        o.OnlyVisibleFields = s.OnlyVisibleFields;
        o.Formats = &s.Formats;
        o.AutoCalcStrType = s.AutoCalcStrType;
        o.CaptionRow = s.CaptionRow;
        o.UserFormats = &s.UserFormats;
        o.ColumnsWidth = &s.ColumnsWidth;
        o.Captions = &s.Captions;
        o.ColumnsAlign = &s.ColumnsAlign;
      },
      nullptr);
  columns.Fill(true);

  // Fields, captions grid, user formats, Excel fields list.
  for (size_t i = 0; i < columns.Count(); ++i) {
    const TQExportColumn& c = columns[i];
    // Left out when no field is named: pictures, and memos unless asked for.
    const db::Field* field = source.FieldOf(c.ColIndex);
    const bool memo = field && field->DataType() == db::FieldType::Memo;
    m_columns.push_back({c.Name, c.ColType, c.IsBlob && !(memo && s.MemoFields)});
    Available.push_back(c.Name);
    Captions.push_back({c.Name, c.Caption, AlignGridText(c.ColAlign), std::to_string(c.Width),
                        std::to_string(c.Width)});
    if (IsFormatted(c.ColType) && c.Format != CommonFormat(s.Formats, c.ColType))
      UserFormats.Add(c.Name + "=" + c.Format);
    TxlsFieldFormat entry;
    const int own = s.XLSOptions.FieldFormats.IndexOfName(c.Name);
    if (own >= 0)
      entry.Assign(s.XLSOptions.FieldFormats[static_cast<size_t>(own)]);
    else
      entry.Assign(s.XLSOptions.Options.DataFormat);
    entry.FieldName = c.Name;
    XlsFields.push_back(entry);
  }
  for (const std::string& name : s.ExportedFields) {
    auto it = std::find_if(Available.begin(), Available.end(), [&](const std::string& a) {
      return platform::Utf8EqualsNoCase(a, name);
    });
    if (it != Available.end()) MoveToExported(static_cast<int>(it - Available.begin()));
  }
  for (size_t i = 0; i < s.XLSOptions.StripStyles.Count(); ++i)
    XlsStyles.push_back(s.XLSOptions.StripStyles[i]);

  Formats.Assign(s.Formats);
  Header = s.Header;
  Footer = s.Footer;
  FileName = s.FileName;
  ShowFile = s.ShowFile;
  PrintFile = s.PrintFile;
  GoToFirstRecord = s.GoToFirstRecord;
  CurrentRecordOnly = s.CurrentRecordOnly;
  ExportEmpty = s.ExportEmpty;
  SkipRecCount = s.SkipRecCount;
  ExportRecCount = s.ExportRecCount;

  for (int t : s.AllowedExports)
    if (t >= 0 && t < kExportTypeCount) m_types.push_back(t);
  if (m_types.empty()) throw Error("La propriété Allowed ne peut être vide");
  SetType(m_types.front());

  AllowCaptions = s.AllowCaptions;
  CaptionRowNumber = s.CaptionRow;

  // Every format page from its option holder.
  XLSExp.Options.Assign(s.XLSOptions.Options);
  XLSExp.StripType = s.XLSOptions.StripType;
  XLSExp.AutoCalcColWidth = s.XLSOptions.AutoCalcColWidth;
  RTFExp.Options = s.RTFOptions;
  HTMLExp.SetHTMLTemplate(THTMLTemplate::htCustom);
  HTMLExp.Title = s.HTMLPageOptions.Title;
  HTMLExp.HTMLOptions = s.HTMLPageOptions.Options;
  HTMLExp.UsingCSS = s.HTMLPageOptions.UsingCSS;
  HTMLExp.CSSFileName = s.HTMLPageOptions.CSSFileName;
  HTMLExp.OverwriteCSSFile = s.HTMLPageOptions.OverwriteCSSFile;
  HTMLExp.BoolAsCheckBox = s.HTMLPageOptions.BoolAsCheckBox;
  HTMLExp.TableOptions = s.HTMLTableOptions;
  HTMLExp.Navigation = s.HTMLMultiFileOptions.Navigation;
  HTMLExp.GenerateIndex = s.HTMLMultiFileOptions.GenerateIndex;
  HtmlMultiFile = s.HTMLMultiFileOptions.FileRecCount > 0;
  HtmlMaxRecords = s.HTMLMultiFileOptions.FileRecCount;
  XMLExp.Options = s.XMLOptions;
  XMLExp.Options.Version = "1.0";
  SqlTableName = s.SQLOptions.TableName;
  SQLExp.CreateTable = s.SQLOptions.CreateTable;
  SQLExp.CommitRecCount = s.SQLOptions.CommitRecCount;
  SQLExp.CommitAfterScript = s.SQLOptions.CommitAfterScript;
  SQLExp.CommitStatement = s.SQLOptions.CommitStatement;
  SqlStatementTerm =
      s.SQLOptions.StatementTerm ? std::string(1, s.SQLOptions.StatementTerm) : std::string();
  TxtAutoCalcColWidth = s.TXTOptions.AutoCalcColWidth;
  TxtSpacing = s.TXTOptions.ColSpacing;
  ASCIIExp.CSVComma = s.CSVOptions.Comma;
  ASCIIExp.CSVQuote = s.CSVOptions.Quote;
  ASCIIExp.CSVQuoteStrings = s.CSVOptions.QuoteStrings;
  PDFExp.Options.Assign(s.PDFOptions);
  // The LaTeX document is in the program's code page, so that French reads
  // as French.
  LaTeXExp.Options.DocumentParams = "a4paper";
  LaTeXExp.Options.SetCodePage(kAnsiCodePage);
  LaTeXExp.Options.Languages = "english";
  ClipExp.Separator = ';';
  ClipExp.ClipboardViewer = "Clipbrd.exe";
}

TQExport& ExportChoices::ExporterOf(int type) {
  switch (type) {
    case aeXLS:
      return XLSExp;
    case aeWord:
    case aeRTF:
      return RTFExp;
    case aeHTML:
      return HTMLExp;
    case aeXML:
      return XMLExp;
    case aeDBF:
      return DBFExp;
    case aePDF:
      return PDFExp;
    case aeLaTeX:
      return LaTeXExp;
    case aeSQL:
      return SQLExp;
    case aeClipboard:
      return ClipExp;
    default:
      return ASCIIExp;
  }
}

std::vector<TQExport*> ExportChoices::Exporters() {
  return {&XLSExp, &RTFExp,   &HTMLExp, &XMLExp,  &DBFExp,
          &PDFExp, &LaTeXExp, &SQLExp,  &ClipExp, &ASCIIExp};
}

// ----------------------------------------------------------------- type and file

void ExportChoices::SetType(int type) {
  if (std::find(m_types.begin(), m_types.end(), type) == m_types.end()) return;
  m_type = type;
  ApplyExtensionRule();
}

void ExportChoices::ApplyExtensionRule() {
  if (!m_settings.AutoChangeFileExt || m_type == aeClipboard || FileName.empty()) return;
  const std::string ext = platform::ExtractFileExt(FileName);
  FileName = FileName.substr(0, FileName.size() - ext.size()) + "." + TypeText(m_type).extension;
}

// ----------------------------------------------------------------- fields

int ExportChoices::SourceIndex(const std::string& field) const {
  for (size_t i = 0; i < m_columns.size(); ++i)
    if (m_columns[i].name == field) return static_cast<int>(i);
  return -1;
}

int ExportChoices::AvailablePlace(const std::string& field) const {
  const int index = SourceIndex(field);
  for (size_t i = 0; i < Available.size(); ++i)
    if (SourceIndex(Available[i]) > index) return static_cast<int>(i);
  return static_cast<int>(Available.size());
}

namespace {

int SelectionAfterMove(const std::vector<std::string>& list, int former) {
  if (list.empty()) return -1;
  return std::min(former, static_cast<int>(list.size()) - 1);
}

}  // namespace

int ExportChoices::MoveToExported(int availableIndex) {
  if (availableIndex < 0 || availableIndex >= static_cast<int>(Available.size()))
    return SelectionAfterMove(Available, 0);
  Exported.push_back(Available[static_cast<size_t>(availableIndex)]);
  Available.erase(Available.begin() + availableIndex);
  return SelectionAfterMove(Available, availableIndex);
}

void ExportChoices::MoveAllToExported() {
  Exported.insert(Exported.begin(), Available.begin(), Available.end());
  Available.clear();
}

int ExportChoices::MoveToAvailable(int exportedIndex) {
  if (exportedIndex < 0 || exportedIndex >= static_cast<int>(Exported.size()))
    return SelectionAfterMove(Exported, 0);
  const std::string field = Exported[static_cast<size_t>(exportedIndex)];
  Exported.erase(Exported.begin() + exportedIndex);
  Available.insert(Available.begin() + AvailablePlace(field), field);
  return SelectionAfterMove(Exported, exportedIndex);
}

void ExportChoices::MoveAllToAvailable() {
  while (!Exported.empty()) MoveToAvailable(static_cast<int>(Exported.size()) - 1);
}

void ExportChoices::MoveWithin(std::vector<std::string>& list, int from, int to) {
  const int n = static_cast<int>(list.size());
  if (from < 0 || from >= n || to < 0 || to >= n || from == to) return;
  std::string item = list[static_cast<size_t>(from)];
  list.erase(list.begin() + from);
  list.insert(list.begin() + to, item);
}

bool ExportChoices::IsExported(const std::string& field) const {
  if (!Exported.empty()) {
    return std::any_of(Exported.begin(), Exported.end(),
                       [&](const std::string& e) { return platform::Utf8EqualsNoCase(e, field); });
  }
  const int i = SourceIndex(field);
  return i >= 0 && !m_columns[static_cast<size_t>(i)].blob;
}

std::vector<std::string> ExportChoices::FieldsToExport() const {
  if (!Exported.empty()) return Exported;
  std::vector<std::string> fields;
  for (const std::string& a : Available)
    if (!m_columns[static_cast<size_t>(SourceIndex(a))].blob) fields.push_back(a);
  return fields;
}

// ----------------------------------------------------------------- formats

std::vector<std::string> ExportChoices::UserFormatFields() const {
  std::vector<std::string> fields;
  for (const SourceColumn& c : m_columns)
    if (IsFormatted(c.type)) fields.push_back(c.name);
  return fields;
}

std::vector<std::string> ExportChoices::FormatSuggestions(const std::string& field) const {
  const int i = SourceIndex(field);
  if (i < 0) return {};
  const platform::LocaleSettings& l = platform::LocaleSettings::Current();
  switch (m_columns[static_cast<size_t>(i)].type) {
    case TQExportColType::Integer:
      return {"#,###,##0", "0"};
    case TQExportColType::Float:
      return {"#,###,##0.00", "#,###,##0.000", "#,###,##0.0000", "0.00"};
    case TQExportColType::Currency: {
      const std::string c = l.currencyString;
      switch (l.currencyFormat) {
        case 0:
          return {c + "00.00"};
        case 1:
          return {"00.00" + c};
        case 2:
          return {c + " 00.00"};
        default:
          return {"00.00 " + c};
      }
    }
    case TQExportColType::Date:
      return {l.shortDateFormat, l.longDateFormat};
    case TQExportColType::Time:
      return {l.shortTimeFormat, l.longTimeFormat};
    case TQExportColType::DateTime:
      return {l.shortDateFormat,
              l.longDateFormat,
              l.shortDateFormat + " " + l.shortTimeFormat,
              l.shortDateFormat + " " + l.longTimeFormat,
              l.longDateFormat + " " + l.shortTimeFormat,
              l.longDateFormat + " " + l.longTimeFormat,
              l.shortTimeFormat,
              l.longTimeFormat};
    default:
      return {};
  }
}

void ExportChoices::AddUserFormat(const std::string& field, const std::string& format) {
  if (format.empty() || field.empty()) return;
  StringList kept;
  for (const std::string& line : UserFormats)
    if (!platform::Utf8EqualsNoCase(StringList::NameOf(line), field)) kept.Add(line);
  kept.Add(field + "=" + format);
  UserFormats = kept;
}

// ----------------------------------------------------------------- Excel styles

void ExportChoices::SaveXlsStyles(const std::string& fileName) const {
  platform::IniFile ini(fileName);
  ini.BeginUpdate();
  EraseAllSections(ini);
  for (size_t i = 0; i < XlsStyles.size(); ++i)
    XlsStyles[i].SaveToIni(ini, "XLS_STYLE_" + std::to_string(i));
  ini.EndUpdate();
}

void ExportChoices::LoadXlsStyles(const std::string& fileName) {
  const platform::IniFile ini(fileName);
  XlsStyles.clear();
  for (const std::string& section : ini.ReadSections()) {
    if (!platform::StartsWithNoCase(section, "XLS_STYLE_")) continue;
    TxlsFormat style;
    style.LoadFromIni(ini, section);
    XlsStyles.push_back(style);
  }
}

// ----------------------------------------------------------------- starting an export

void ExportChoices::CopyXlsPage() {
  TQExportXLS& e = XLSExp;
  e.FieldFormats.Clear();
  for (const std::string& field : FieldsToExport())
    for (const TxlsFieldFormat& entry : XlsFields)
      if (platform::Utf8EqualsNoCase(entry.FieldName, field)) {
        e.FieldFormats.Add().Assign(entry);
        break;
      }
  e.StripStyles.Clear();
  for (const TxlsFormat& style : XlsStyles) e.StripStyles.Add().Assign(style);
}

void ExportChoices::CopyHtmlPage() {
  HTMLExp.SetMaxRecords(0);
  if (HtmlMultiFile) HTMLExp.SetMaxRecords(HtmlMaxRecords);
}

void ExportChoices::CopyAsciiPage() {
  switch (m_type) {
    case aeTXT:
      ASCIIExp.SetExportType(TQExportASCIIType::etTXT);
      ASCIIExp.AutoCalcColWidth = TxtAutoCalcColWidth;
      ASCIIExp.TXTSpacing = TxtSpacing;
      break;
    case aeCSV:
      ASCIIExp.SetExportType(TQExportASCIIType::etCSV);
      break;
    case aeDIFF:
      ASCIIExp.SetExportType(TQExportASCIIType::etDIF);
      break;
    default:
      ASCIIExp.SetExportType(TQExportASCIIType::etSYLK);
      break;
  }
}

void ExportChoices::CopySqlPage() {
  std::string table = SqlTableName;
  if (table.empty()) {
    const std::string name = platform::ExtractFileName(FileName);
    table = platform::Utf8UpperCase(
        name.substr(0, name.size() - platform::ExtractFileExt(name).size()));
  }
  SQLExp.TableName = table;
  if (!SqlStatementTerm.empty()) SQLExp.StatementTerm = SqlStatementTerm[0];
}

void ExportChoices::CopyCommon(TQExport& e) {
  e.AutoCalcStrType = m_settings.AutoCalcStrType;
  e.OnlyVisibleFields = m_settings.OnlyVisibleFields;
  e.MemoFields = m_settings.MemoFields;
  e.GoToFirstRecord = GoToFirstRecord;
  e.CurrentRecordOnly = CurrentRecordOnly;
  e.ExportEmpty = ExportEmpty;
  e.ExportRecCount = ExportRecCount;
  e.SkipRecCount = SkipRecCount;
  e.Header = Header;
  e.Footer = Footer;
  e.ExportedFields.Clear();
  for (const std::string& f : FieldsToExport()) e.ExportedFields.Add(f);
  e.Formats.Assign(Formats);
  e.UserFormats = UserFormats;
  e.ExportSource = m_settings.ExportSource;
  e.DataSet = m_settings.DataSet;
  e.ListView = m_settings.ListView;
  e.DBGrid = m_settings.DBGrid;
  e.StringGrid = m_settings.StringGrid;
  if (auto* text = dynamic_cast<TQExportText*>(&e)) {
    text->FileName = FileName;
    text->ShowFile = ShowFile;
    text->PrintFile = PrintFile;
  }
  e.AllowCaptions = AllowCaptions;
  e.CaptionRow = CaptionRowNumber;
}

void ExportChoices::CopyCaptions(TQExport& e) {
  e.Captions.Clear();
  e.ColumnsAlign.Clear();
  e.ColumnsWidth.Clear();
  const bool textFile = m_type >= aeTXT && m_type <= aeSylk;
  const bool aligns =
      textFile || m_type == aeWord || m_type == aeRTF || m_type == aePDF || m_type == aeHTML;
  const bool widths =
      textFile || m_type == aeWord || m_type == aeRTF || m_type == aePDF || m_type == aeXLS;
  // The grid has alignment and width cells only for these types.
  const bool gridAligns =
      m_type == aeWord || m_type == aeRTF || m_type == aePDF || m_type == aeTXT || m_type == aeHTML;
  const bool gridWidths =
      m_type == aeWord || m_type == aeRTF || m_type == aePDF || m_type == aeTXT || m_type == aeXLS;
  for (const CaptionRow& row : Captions) {
    if (row.caption != row.field) e.Captions.Add(row.field + "=" + row.caption);
    if (aligns)
      e.ColumnsAlign.Add(row.field + "=" + AlignFromGridText(gridAligns ? row.align : ""));
    if (!widths) continue;
    // A PDF column keeps no width of the source's own: it is sized from its
    // values, so that the table fits the page as far as it can.
    if (m_type == aePDF && row.width == row.sourceWidth) continue;
    e.ColumnsWidth.Add(row.field + "=" + (gridWidths ? row.width : std::string()));
  }
}

TQExport& ExportChoices::PrepareExport(bool applyExtensionRule) {
  if (applyExtensionRule) ApplyExtensionRule();
  TQExport& e = ExporterOf(m_type);
  switch (m_type) {
    case aeXLS:
      CopyXlsPage();
      break;
    case aeHTML:
      CopyHtmlPage();
      break;
    case aeTXT:
    case aeCSV:
    case aeDIFF:
    case aeSylk:
      CopyAsciiPage();
      break;
    case aeSQL:
      CopySqlPage();
      break;
    default:
      break;
  }
  CopyCommon(e);
  CopyCaptions(e);
  return e;
}

}  // namespace kvn::exporting
