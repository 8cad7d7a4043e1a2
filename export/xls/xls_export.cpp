#include "export/xls/xls_export.h"

#include <unistd.h>

#include "export/xls/style_records.h"
#include "platform/codepage.h"
#include "platform/conversions.h"
#include "platform/file_info.h"
#include "platform/format.h"
#include "platform/output_file.h"
#include "platform/output_set.h"
#include "platform/strings.h"

namespace kvn::exporting {

namespace {

// A cell holds at most this many bytes of text.
constexpr size_t kXlsMaxText = 32767;

// The workbook's own words for a text too long for its cell.
std::string TooLongText(int row, int col) {
  return platform::Subst("Cell R%d,C%d: String length more than 32767 bytes",
                         {std::to_string(row + 1), std::to_string(col + 1)});
}

platform::ConversionKind NumberKind(TQExportColType type) {
  return type == TQExportColType::Integer ? platform::ConversionKind::Integer
                                          : platform::ConversionKind::Float;
}

bool IsDateColumn(TQExportColType type) {
  return type == TQExportColType::Date || type == TQExportColType::Time ||
         type == TQExportColType::DateTime;
}

// A column's number format as a spreadsheet reads it: in date and time
// pictures the minutes are "nn" and the milliseconds "zzz" here, "mm" and
// "000" there. Quoted texts are kept.
std::string CellFormat(const TQExportColumn& column) {
  if (!IsDateColumn(column.ColType)) return column.Format;
  std::string out;
  char quote = 0;
  for (char c : column.Format) {
    if (quote) {
      if (c == quote) quote = 0;
      out += c;
    } else if (c == '"' || c == '\'') {
      quote = c;
      out += c;
    } else if (c == 'n' || c == 'N') {
      out += 'm';
    } else if (c == 'z' || c == 'Z') {
      out += '0';
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

using platform::Subst;

// ----------------------------------------------------------------- sheets

TxlsSheet::TxlsSheet()
    : m_columns([this](ColumnOptions& o) { GetColumnOptions(o); },
                [](const std::string& s) { return s; }),
      m_row(m_columns, Formats, [this](TQExportCol& c, std::string& t) {
        if (m_getColData) m_getColData(c, t);
      }) {
  m_columns.SetEscapes(false);
}

void TxlsSheet::GetColumnOptions(ColumnOptions& o) const {
  o.ExportedFields = &ExportedFields;
  o.Source = Source();
  o.OnlyVisibleFields = OnlyVisibleFields;
  o.Formats = &Formats;
  o.AutoCalcStrType = AutoCalcStrType;
  o.CaptionRow = CaptionRow;
  o.UserFormats = &UserFormats;
  o.ColumnsWidth = &ColumnsWidth;
  o.Captions = &Captions;
}

SourceAccess TxlsSheet::Source() const {
  return SourceOf(*this);
}

namespace {

// The settings a sheet shares with another sheet, or takes from its exporter,
// by their common names (all but the title and the exported flag).
template <class From>
void CopySheetSettings(const From& o, TxlsSheet& s) {
  s.AutoCalcColWidth = o.AutoCalcColWidth;
  s.Options.Assign(o.Options);
  s.FieldFormats.Assign(o.FieldFormats);
  s.StripStyles.Assign(o.StripStyles);
  s.StripType = o.StripType;
  s.ExportSource = o.ExportSource;
  s.DataSet = o.DataSet;
  s.ListView = o.ListView;
  s.DBGrid = o.DBGrid;
  s.StringGrid = o.StringGrid;
  s.HeaderRows = o.HeaderRows;
  s.StartDataCol = o.StartDataCol;
  s.FooterRows = o.FooterRows;
  s.ExportedFields = o.ExportedFields;
  s.Header = o.Header;
  s.Captions = o.Captions;
  s.Footer = o.Footer;
  s.Formats.Assign(o.Formats);
  s.UserFormats = o.UserFormats;
  s.ColumnsWidth = o.ColumnsWidth;
  s.AllowCaptions = o.AllowCaptions;
  s.GoToFirstRecord = o.GoToFirstRecord;
  s.ExportRecCount = o.ExportRecCount;
  s.SkipRecCount = o.SkipRecCount;
  s.CurrentRecordOnly = o.CurrentRecordOnly;
  s.OnlyVisibleFields = o.OnlyVisibleFields;
  s.AutoCalcStrType = o.AutoCalcStrType;
  s.CaptionRow = o.CaptionRow;
}

}  // namespace

void TxlsSheet::Assign(const TxlsSheet& o) {
  if (&o == this) return;
  CopySheetSettings(o, *this);
  Title = o.Title;
  Exported = o.Exported;
}

std::string TxlsSheet::GetDisplayName() const {
  return Title.empty() ? "TxlsSheet" : Title;
}

TxlsSheet& TxlsSheets::Add() {
  m_items.push_back(std::make_unique<TxlsSheet>());
  Renumber();
  TxlsSheet& sheet = *m_items.back();
  sheet.Title = "Sheet " + std::to_string(m_items.size());
  return sheet;
}

void TxlsSheets::Delete(size_t index) {
  m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(index));
  Renumber();
}

void TxlsSheets::Renumber() {
  for (size_t i = 0; i < m_items.size(); ++i) m_items[i]->m_index = static_cast<int>(i);
}

// ----------------------------------------------------------------- exporter

TQExportXLS::TQExportXLS() {
  StripStyles.MarkStripStyles();
}

TQExportXLS::~TQExportXLS() = default;

void TQExportXLS::Notification(const void* removed) {
  TQExportFormatText::Notification(removed);
  for (size_t i = 0; i < Sheets.Count(); ++i) {
    TxlsSheet& s = Sheets[i];
    if (s.DataSet == removed) s.DataSet = nullptr;
    if (s.ListView == removed) s.ListView = nullptr;
    if (s.DBGrid == removed) s.DBGrid = nullptr;
    if (s.StringGrid == removed) s.StringGrid = nullptr;
  }
}

void TQExportXLS::Execute() {
  if (FileName.empty()) throw Error("fichier de résultat non présent");
  MakeTargetDirectory();
  {
    // Replaces FileName only once complete (a sheet that does not fit, a full
    // disk: the earlier file stays as it was).
    platform::OutputFile file(FileName);
    ExportToStream(file.Stream());
    if (m_aborted) throw ExportAborted(FileName);
    file.Commit();
  }
  ShowResult();
}

void TQExportXLS::ExportToStream(platform::Stream& stream) {
  m_xls = std::make_unique<TQXLSWriter>(this, stream);
  try {
    Run();
  } catch (const XlsLimitError&) {
    m_xls.reset();
    throw;
  } catch (...) {
    // The writer is freed on every way out, which stores what was written.
    try {
      m_xls->Close();
    } catch (...) {
    }
    m_xls.reset();
    throw;
  }
  try {
    m_xls->Close();
  } catch (...) {
    m_xls.reset();
    throw;
  }
  m_xls.reset();
}

std::vector<TxlsSheet*> TQExportXLS::ExportedSheets() {
  std::vector<TxlsSheet*> sheets;
  for (size_t i = 0; i < Sheets.Count(); ++i)
    if (Sheets[i].Exported) sheets.push_back(&Sheets[i]);
  return sheets;
}

void TQExportXLS::Run() {
  // Without a sheet to export, a temporary one carries the exporter's own
  // settings for this run.
  struct TemporarySheet {
    TxlsSheets& sheets;
    bool added = false;
    ~TemporarySheet() {
      if (added) sheets.Delete(sheets.Count() - 1);
    }
  } temporary{Sheets};
  if (ExportedSheets().empty()) {
    TxlsSheet& s = Sheets.Add();
    temporary.added = true;
    CopySheetSettings(*this, s);
    s.Title = Options.SheetTitle();
  }
  m_exported = ExportedSheets();

  m_recordCounter = 0;
  m_aborted = false;
  for (TxlsSheet* sheet : m_exported) ValidateSheet(*sheet);
  // Every sheet reads the same state of the catalogue.
  std::vector<std::unique_ptr<SourceWalk>> walks;
  for (TxlsSheet* sheet : m_exported)
    walks.push_back(std::make_unique<SourceWalk>(sheet->Source()));

  BeginExport();
  BeforeExport();
  if (m_aborted) return;
  if (OnBeginExport) OnBeginExport(this);
  for (TxlsSheet* sheet : m_exported)
    if (!ExportSheet(*sheet)) return;
  AfterExport();
  EndExport();
}

void TQExportXLS::ValidateSheet(TxlsSheet& sheet) {
  SourceAccess source = sheet.Source();
  const std::string name = SourceName(sheet.ExportSource);
  if (!source.Linked())
    throw Error(Subst("La feuille %s contient l'ereur: %s",
                      {sheet.Title, Subst("La source (%s) n'est pas liée", {name})}));
  if (!source.Active()) throw Error(Subst("La source (%s) est fermée", {name}));
  if (!ExportEmpty && source.Empty()) throw Error(Subst("La source (%s) est vide", {name}));
}

void TQExportXLS::BeginExport() {
  m_strings.Clear();
  std::vector<XlsSheetStream*> streams;
  for (size_t i = 0; i < m_exported.size(); ++i) {
    XlsSheetStream& s = m_exported[i]->m_stream;
    s = XlsSheetStream();
    // A worksheet name has at most 31 characters and is never empty.
    s.title = m_exported[i]->Title.substr(0, 31);
    if (s.title.empty()) s.title = "Sheet" + std::to_string(i + 1);
    streams.push_back(&s);
  }
  m_xls->WriteGlobals(streams, Options.DataFormat.Font);
}

void TQExportXLS::EndExport() {
  std::vector<XlsSheetStream*> streams;
  for (TxlsSheet* sheet : m_exported) streams.push_back(&sheet->m_stream);
  m_xls->FinishBlocks(streams, m_strings);
  // The stream ends with the last sheet's EOF: a record after it is outside
  // every substream, and libfreexl then refuses the whole workbook.
  m_strings.Clear();
  TQExportFormatText::EndExport();
}

int TQExportXLS::Register(TxlsSheet& sheet, std::string_view text, const TxlsFormat* format) {
  return m_xls->Registry().RegisterFormat(sheet.Options.DataFormat.Font, text, format);
}

void TQExportXLS::PrepareSheet(TxlsSheet& sheet) {
  TQExportColumns& columns = sheet.m_columns;
  columns.Clear();
  columns.Fill(false);
  TQExportRow& row = sheet.m_row;
  row.Clear();
  for (size_t i = 0; i < columns.Count(); ++i) row.AddCol(columns[i].Name, static_cast<int>(i));
  row.IndexNames();
  sheet.m_cellOfColumn.clear();
  for (size_t i = 0; i < columns.Count(); ++i)
    sheet.m_cellOfColumn.push_back(row.CellByName(columns[i].Name));
  sheet.m_getColData = [this](TQExportCol& c, std::string& t) { GetColData(c, t); };

  XlsFormatRegistry& registry = m_xls->Registry();
  const int index = sheet.Index();
  const size_t count = columns.Count();
  m_stripXF.clear();
  if (sheet.StripType != ssNone && !sheet.StripStyles.Empty()) {
    const size_t styles = sheet.StripStyles.Count();
    if (sheet.StripType == ssCol) {
      for (size_t c = 0; c < count; ++c) {
        int xf = Register(sheet, CellFormat(columns[c]), &sheet.StripStyles[c % styles]);
        registry.AddColRowLink(index, static_cast<int>(c), xf);
      }
    } else {
      for (size_t s = 0; s < styles; ++s)
        for (size_t c = 0; c < count; ++c) {
          int xf = Register(sheet, CellFormat(columns[c]), &sheet.StripStyles[s]);
          registry.AddColRowLink(index, static_cast<int>(c + 1000 * s), xf);
        }
    }
    // The strip XF of each column, one list per style (a single one for columns).
    const size_t lists = sheet.StripType == ssCol ? 1 : styles;
    for (size_t s = 0; s < lists; ++s) {
      std::vector<int> xfs;
      for (size_t c = 0; c < count; ++c)
        xfs.push_back(registry.ColRowLink(index, static_cast<int>(c + 1000 * s)));
      m_stripXF.push_back(std::move(xfs));
    }
  } else if (sheet.StripType == ssNone) {
    for (size_t c = 0; c < count; ++c) {
      int f = sheet.FieldFormats.IndexOfName(columns[c].Name);
      int xf = Register(sheet, CellFormat(columns[c]),
                        f >= 0 ? &sheet.FieldFormats[static_cast<size_t>(f)] : nullptr);
      if (xf != kDefaultXF && !registry.HasFieldLink(index, columns[c].Name))
        registry.AddFieldLink(index, columns[c].Name, xf);
    }
  }
  m_fieldXF.clear();
  for (size_t c = 0; c < count; ++c)
    m_fieldXF.push_back(registry.FieldLink(index, columns[c].Name));
}

bool TQExportXLS::ExportSheet(TxlsSheet& sheet) {
  const int index = sheet.Index();
  SourceAccess source = sheet.Source();
  SourceWalk walk(source);

  PrepareSheet(sheet);
  m_aborted = false;
  TQExportColumns& columns = sheet.m_columns;
  if (sheet.AutoCalcColWidth) columns.AutoCalcColWidth();
  LimitCountsToListView(sheet);
  source = sheet.Source();
  const int span = static_cast<int>(columns.Count()) + sheet.StartDataCol;
  if (span > kXlsMaxColumns)
    throw XlsLimitError(
        Subst("La feuille %s ne tient pas dans un classeur XLS : une feuille a au plus 256 "
              "colonnes (%s demandées)",
              {sheet.Title, std::to_string(span)}));
  XlsSheetStream& stream = sheet.m_stream;
  stream.columnSpan = static_cast<uint16_t>(span);
  stream.rowCursor = 0;

  m_xls->BeginSheet(stream, sheet.Options.PageHeader, sheet.Options.PageFooter);
  for (size_t c = 0; c < columns.Count(); ++c) {
    // A column is at most 255 characters wide.
    const int width = std::clamp(columns[c].Width, 0, 255);
    m_xls->WriteColumnInfo(sheet.StartDataCol + static_cast<int>(c), width, m_fieldXF[c]);
  }
  m_xls->WriteDimensions(stream);

  WriteLines(sheet, sheet.Header, sheet.HeaderRows, sheet.Options.HeaderFormat, OnGetHeaderParams);
  if (m_aborted) return false;
  if (sheet.AllowCaptions) {
    WriteCaptionRow(sheet);
    if (m_aborted) return false;
  }
  const int firstDataRow = static_cast<int>(stream.rowCursor);

  int& counter = sheet.m_recordCounter;
  if (sheet.GoToFirstRecord) source.First();
  // The skipped records are counted from 1, wherever the source stands.
  counter = 0;
  for (int i = 0; i < sheet.SkipRecCount; ++i) {
    source.Next(counter);
    if (OnSkippedRecord) OnSkippedRecord(this, counter);
  }
  if (m_aborted) return false;

  counter = 0;
  bool anyDataRow = false;
  while (!source.End(counter)) {
    if (sheet.ExportRecCount > 0 && counter >= sheet.ExportRecCount) break;
    if (m_aborted && !CanContinue()) break;
    bool accept = true;
    try {
      FillRowFromSource(source, columns, sheet.m_cellOfColumn, counter);
      if (OnBeforeExportRow) OnBeforeExportRow(this, sheet.m_row, accept);
      if (accept && OnAdvancedBeforeExportRow)
        OnAdvancedBeforeExportRow(this, index, sheet.m_row, accept);
      if (accept) WriteDataRow(sheet);
    } catch (const ValueError& e) {
      throw Error(ValueErrorMessage(RecordLabel(), e));
    }
    anyDataRow = anyDataRow || accept;
    if (sheet.CurrentRecordOnly) break;
    source.Next(counter);
    ++m_recordCounter;
    if (OnExportedRecord) OnExportedRecord(this, m_recordCounter);
    if (m_recordCounter == 1000) platform::PausePointForTests("export-rows");
    if (OnAdvancedExportedRecord) OnAdvancedExportedRecord(this, index, counter);
  }

  WriteAggregateRow(sheet, firstDataRow, anyDataRow);
  WriteLines(sheet, sheet.Footer, sheet.FooterRows, sheet.Options.FooterFormat, OnGetFooterParams);
  if (stream.rowCursor > static_cast<uint32_t>(kXlsMaxRows))
    CheckFits(sheet, static_cast<int>(stream.rowCursor) - 1, 0);
  m_xls->EndSheet();
  return true;
}

void TQExportXLS::WriteLines(TxlsSheet& sheet, const StringList& lines, int rowCount,
                             TxlsFormat& format, const HeaderFooterParams& event) {
  const int count = rowCount != 0 ? rowCount : static_cast<int>(lines.Count());
  XlsSheetStream& stream = sheet.m_stream;
  for (int i = 0; i < count; ++i) {
    std::string line =
        static_cast<size_t>(i) < lines.Count() ? lines[static_cast<size_t>(i)] : std::string();
    if (!line.empty() && line.back() != '\t') line += '\t';
    size_t at = 0;
    for (int j = 0; j < kXlsMaxColumns; ++j) {
      std::string text;
      if (at < line.size()) {
        size_t tab = line.find('\t', at);
        text = line.substr(at, tab - at);
        at = tab + 1;
      }
      const int row = static_cast<int>(stream.rowCursor);
      if (event) event(&sheet, sheet.Index(), j, row, format, text);
      if (!text.empty()) TextCell(sheet, row, j, Register(sheet, "General", &format), text);
    }
    ++stream.rowCursor;
  }
}

void TQExportXLS::WriteLeadingCells(TxlsSheet& sheet) {
  if (sheet.StartDataCol <= 0 || !OnGetBeforeDataParams) return;
  const int row = static_cast<int>(sheet.m_stream.rowCursor);
  for (int j = 0; j < sheet.StartDataCol; ++j) {
    TxlsFormat working(sheet.Options.DataFormat);
    std::string text;
    OnGetBeforeDataParams(&sheet, sheet.Index(), j, row, working, text);
    if (!text.empty()) TextCell(sheet, row, j, Register(sheet, "General", &working), text);
  }
}

void TQExportXLS::WriteCaptionRow(TxlsSheet& sheet) {
  WriteLeadingCells(sheet);
  const int row = static_cast<int>(sheet.m_stream.rowCursor);
  TQExportColumns& columns = sheet.m_columns;
  for (size_t n = 0; n < columns.Count(); ++n) {
    TxlsFormat working(sheet.Options.CaptionsFormat);
    std::string text = columns[n].Caption;
    const int col = sheet.StartDataCol + static_cast<int>(n);
    if (OnGetCaptionParams) OnGetCaptionParams(&sheet, sheet.Index(), col, working, text);
    if (text.empty()) continue;
    TextCell(sheet, row, col,
             working.IsDefault() ? kDefaultXF : Register(sheet, "General", &working), text);
  }
  ++sheet.m_stream.rowCursor;
}

int TQExportXLS::DataCellFormat(TxlsSheet& sheet, size_t c) {
  int x = m_fieldXF[c];
  if (x == kDefaultXF && !m_stripXF.empty()) {
    const size_t list = sheet.StripType == ssRow
                            ? static_cast<size_t>(sheet.m_recordCounter) % m_stripXF.size()
                            : 0;
    x = m_stripXF[list][c];
  }
  if (!OnGetDataParams) return x;

  TxlsFormat working;
  std::string text;
  if (x == kDefaultXF) {
    working.Assign(sheet.Options.DataFormat);
    text = "General";
  } else {
    const TxlsXFormat* xf = m_xls->Registry().XFormat(x);
    if (xf->Font) working.Font.Assign(*xf->Font);
    working.Borders = xf->Borders;
    working.Fill = xf->Fill;
    working.Alignment = xf->Alignment;
    working.Wrap = xf->Wrap;
    if (xf->Format) text = xf->Format->Text;
  }
  const int col = sheet.StartDataCol + static_cast<int>(c);
  OnGetDataParams(&sheet, sheet.Index(), col, static_cast<int>(sheet.m_stream.rowCursor), working,
                  text);
  if (text.empty()) text = CellFormat(sheet.m_columns[c]);
  return Register(sheet, text, &working);
}

void TQExportXLS::WriteDataRow(TxlsSheet& sheet) {
  WriteLeadingCells(sheet);
  const int row = static_cast<int>(sheet.m_stream.rowCursor);
  TQExportColumns& columns = sheet.m_columns;
  const TQExportFormats& formats = sheet.Formats;
  const bool readsDataSet = sheet.Source().ReadDataSet() != nullptr;
  for (size_t n = 0; n < columns.Count(); ++n) {
    std::string& value = m_value;
    value.clear();
    const TQExportColumn& column = columns[n];
    if (TQExportCol* cell = sheet.m_cellOfColumn[n]) cell->GetExportedValue(false, value);
    // In a data set, an empty text that is not null reads as no number and no
    // date, as in the text exports (grids and lists have no null: empty is empty).
    if (value.empty() && readsDataSet && !columns.IsNull(static_cast<int>(n))) {
      if (column.IsNumeric) ThrowValueError(column, NumberKind(column.ColType), value);
      if (IsDateColumn(column.ColType))
        ThrowValueError(column, DateConversionKind(column.ColType), value);
    }
    if (OnGetExportText) OnGetExportText(this, static_cast<int>(n), value);
    if (OnAdvancedGetExportText)
      OnAdvancedGetExportText(this, sheet.Index(), static_cast<int>(n), value);
    const int xf = DataCellFormat(sheet, n);
    const int col = sheet.StartDataCol + static_cast<int>(n);

    if (value.empty()) {
      CheckFits(sheet, row, col);
      m_xls->WriteBlank(row, col, xf);
      continue;
    }
    if (value == formats.NullString()) {
      TextCell(sheet, row, col, xf, value);
      continue;
    }
    switch (column.ColType) {
      case TQExportColType::Integer:
      case TQExportColType::Float:
      case TQExportColType::Currency: {
        const auto number = platform::TryStrToFloat(value);
        if (!number) ThrowValueError(column, NumberKind(column.ColType), value);
        CheckFits(sheet, row, col);
        m_xls->WriteNumber(row, col, xf, *number);
        break;
      }
      case TQExportColType::Date:
      case TQExportColType::Time:
      case TQExportColType::DateTime: {
        const auto date = platform::TryStrToDateTime(value);
        if (!date) ThrowValueError(column, DateConversionKind(column.ColType), value);
        const double days = *date;
        if (column.ColType == TQExportColType::Time && days >= 0) {
          // A time is the fraction of a day its cell's format shows.
          CheckFits(sheet, row, col);
          m_xls->WriteNumber(row, col, xf, days);
        } else if (days <= 1) {
          TextCell(sheet, row, col, xf,
                   platform::Cp1252ToUtf8(
                       platform::FormatDateTime(platform::Utf8ToCp1252(column.Format), days)));
        } else {
          // Serial numbers count a 29 February 1900 that never was: days up to
          // 28 February 1900 are one less.
          CheckFits(sheet, row, col);
          m_xls->WriteNumber(row, col, xf, days > 60 ? days : days - 1);
        }
        break;
      }
      case TQExportColType::String:
        if (value.size() > kXlsMaxText) {
          const size_t units = XlsUnits(value).size();
          if (units > kXlsMaxText)
            throw ValueError(
                column.Name,
                Subst("le texte de %s caractères dépasse les %s d'une cellule XLS (%s)",
                      {std::to_string(units), std::to_string(kXlsMaxText), TooLongText(row, col)}));
        }
        TextCell(sheet, row, col, xf, value);
        break;
      case TQExportColType::Boolean:
        CheckFits(sheet, row, col);
        m_xls->WriteBoolean(row, col, xf, platform::EqualsNoCase(value, formats.BooleanTrue()));
        break;
      case TQExportColType::Unknown:
        break;
    }
  }
  ++sheet.m_stream.rowCursor;
}

void TQExportXLS::WriteAggregateRow(TxlsSheet& sheet, int firstDataRow, bool anyDataRow) {
  TQExportColumns& columns = sheet.m_columns;
  std::vector<TxlsAggregate> aggregates(columns.Count(), aggNone);
  bool any = false;
  for (size_t n = 0; n < columns.Count(); ++n) {
    // With several formats of the same field, the last one decides.
    for (size_t f = 0; f < sheet.FieldFormats.Count(); ++f)
      if (platform::EqualsNoCase(sheet.FieldFormats[f].FieldName, columns[n].Name))
        aggregates[n] = sheet.FieldFormats[f].Aggregate;
    any = any || aggregates[n] != aggNone;
  }
  // Without data rows there is nothing to aggregate: a formula there would
  // refer to the caption row and to itself.
  if (!any || !anyDataRow) return;

  const int row = static_cast<int>(sheet.m_stream.rowCursor);
  bool written = false;
  for (size_t n = 0; n < columns.Count(); ++n) {
    const int col = sheet.StartDataCol + static_cast<int>(n);
    TxlsFormat working(sheet.Options.AggregateFormat);
    std::string value;
    if (aggregates[n] != aggNone) {
      std::string text = columns[n].Format.empty() ? "General" : columns[n].Format;
      if (OnGetAggregateParams)
        OnGetAggregateParams(&sheet, sheet.Index(), static_cast<int>(n), working, text, value);
      if (text.empty()) text = "General";
      const int xf =
          text == "General" && working.IsDefault() ? kDefaultXF : Register(sheet, text, &working);
      CheckFits(sheet, row, col);
      m_xls->WriteAggregateFormula(row, col, xf, aggregates[n], firstDataRow, row - 1);
      written = true;
    } else if (OnGetAggregateParams) {
      std::string text = "General";
      OnGetAggregateParams(&sheet, sheet.Index(), static_cast<int>(n), working, text, value);
      if (!value.empty()) {
        TextCell(sheet, row, col, Register(sheet, "General", &working), value);
        written = true;
      }
    }
  }
  if (written) ++sheet.m_stream.rowCursor;
}

void TQExportXLS::CheckFits(const TxlsSheet& sheet, int row, int col) const {
  if (row >= kXlsMaxRows)
    throw XlsLimitError(Subst(
        "La feuille %s ne tient pas dans un classeur XLS : une feuille a au plus 65536 lignes",
        {sheet.Title}));
  if (col >= kXlsMaxColumns)
    throw XlsLimitError(Subst(
        "La feuille %s ne tient pas dans un classeur XLS : une feuille a au plus 256 colonnes",
        {sheet.Title}));
}

void TQExportXLS::TextCell(TxlsSheet& sheet, int row, int col, int xf, std::string_view text) {
  if (text.empty()) return;
  if (!m_xls) throw Error("File not opened");
  CheckFits(sheet, row, col);
  // A cell holds 32,767 UTF-16 code units; UTF-8 never has fewer bytes.
  if (text.size() > kXlsMaxText && XlsUnits(text).size() > kXlsMaxText)
    throw Error(
        Subst("Le texte de la cellule ligne %s, colonne %s dépasse les %s caractères d'une cellule "
              "XLS (%s).",
              {std::to_string(row + 1), std::to_string(col + 1), std::to_string(kXlsMaxText),
               TooLongText(row, col)}));
  m_xls->WriteLabelSst(row, col, xf, AddSharedString(text));
}

}  // namespace kvn::exporting
