#include "export/text/clipboard_export.h"

namespace kvn::exporting {

TQExportClipboard::TQExportClipboard() : Separator(GetListSeparator()) {
  AutoCalcColWidth = false;
}

void TQExportClipboard::SetExportType(TQClipboardExportType type) {
  m_type = type;
  AutoCalcColWidth = type == TQClipboardExportType::etFixed;
}

void TQExportClipboard::GetColumnOptions(ColumnOptions& o) const {
  TQExportMemory::GetColumnOptions(o);
  o.Formats = &Formats;
  o.UserFormats = &UserFormats;
  o.Captions = &Captions;
  o.OnFetchedRecord = [this](int recNo) {
    if (OnFetchedRecord) OnFetchedRecord(const_cast<TQExportClipboard*>(this), recNo);
  };
}

void TQExportClipboard::BeginExport() {
  TQExportMemory::BeginExport();
  AutoCalcColWidth = m_type == TQClipboardExportType::etFixed;
  TQExportWriter& w = *Writer();
  if (!Title.empty()) w.WriteLn(Title);
  if (!Header.Empty()) {
    for (const auto& line : Header) w.WriteLn(line);
    w.EmptyLine();
  }
}

void TQExportClipboard::EndExport() {
  TQExportWriter& w = *Writer();
  if (!Footer.Empty()) {
    for (const auto& line : Footer) w.WriteLn(line);
    w.EmptyLine();
  }
  TQExportMemory::EndExport();
}

std::string TQExportClipboard::Cell(int column, const std::string& text) const {
  if (m_type == TQClipboardExportType::etSeparated) return text + Separator;
  const TQExportColumn& c =
      const_cast<TQExportClipboard*>(this)->Columns()[static_cast<size_t>(column)];
  return TQExportWriter::PadLeft(text, ' ', c.Width);
}

std::string TQExportClipboard::GetColCaption(int index) {
  return Cell(index, TQExportMemory::GetColCaption(index));
}

void TQExportClipboard::GetColData(TQExportCol& col, std::string& text) {
  text = Cell(col.ColumnIndex, text);
}

void TQExportClipboard::WriteCaptionRow() {
  Writer()->WriteLn(GetCaptionRow());
}

void TQExportClipboard::WriteDataRow() {
  Writer()->WriteLn(GetDataRow(true));
}

}  // namespace kvn::exporting
