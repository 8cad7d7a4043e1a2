#include "export/text/ascii_export.h"

#include <cmath>
#include <cstdio>

#include "platform/codepage.h"
#include "platform/conversions.h"
#include "platform/format.h"
#include "platform/strings.h"

namespace kvn::exporting {

namespace {

std::string Escaped(std::string_view text, char doubled) {
  std::string out;
  out.reserve(text.size() + 2);
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      out += ' ';
      continue;
    }
    out += c;
    if (doubled && c == doubled) out += c;
  }
  return out;
}

// A formatted number as a DIF numeric value: "." as decimal point and no
// thousands separator; false when the text is not a plain number (a picture
// with literal text), which is then written as a string.
bool PlainNumber(const std::string& formatted, std::string& out) {
  const platform::LocaleSettings& s = platform::LocaleSettings::Current();
  out.clear();
  // The formatted text is UTF-8, the locale's separator a Windows-1252 byte.
  const std::string text =
      platform::IsAscii(formatted) ? formatted : platform::Utf8ToCp1252(formatted);
  for (char c : text) {
    if (c == s.thousandSeparator && c != s.decimalSeparator) continue;
    out += c == s.decimalSeparator ? '.' : c;
  }
  size_t i = 0;
  if (i < out.size() && out[i] == '-') ++i;
  bool digits = false;
  while (i < out.size() && out[i] >= '0' && out[i] <= '9') ++i, digits = true;
  if (i < out.size() && out[i] == '.') {
    ++i;
    while (i < out.size() && out[i] >= '0' && out[i] <= '9') ++i, digits = true;
  }
  if (digits && i < out.size() && (out[i] == 'E' || out[i] == 'e')) {
    ++i;
    if (i < out.size() && (out[i] == '+' || out[i] == '-')) ++i;
    bool exp = false;
    while (i < out.size() && out[i] >= '0' && out[i] <= '9') ++i, exp = true;
    if (!exp) return false;
  }
  return digits && i == out.size();
}

}  // namespace

std::string DifString(std::string_view text) {
  return Escaped(text, '\0');
}
std::string SylkString(std::string_view text) {
  return Escaped(text, ';');
}

TQExportASCII::TQExportASCII() : CSVComma(GetListSeparator()) {
  AutoCalcColWidth = true;
}

void TQExportASCII::SetExportType(TQExportASCIIType type) {
  if (type == TQExportASCIIType::etTXT && m_type != TQExportASCIIType::etTXT)
    AutoCalcColWidth = true;
  m_type = type;
}

void TQExportASCII::GetColumnOptions(ColumnOptions& o) const {
  TQExportFormatText::GetColumnOptions(o);
  o.ColumnsAlign = &ColumnsAlign;
  o.ColumnsWidth = &ColumnsWidth;
  o.OnFetchedRecord = [this](int recNo) {
    if (OnFetchedRecord) OnFetchedRecord(const_cast<TQExportASCII*>(this), recNo);
  };
}

int TQExportASCII::CountDifTuples() {
  // One pass with the rules of the loop, then back where the source was.
  SourceBookmark mark = m_source.GetBookmark();
  int counter = 0;
  auto restore = [&] {
    m_source.GotoBookmark(mark);
    m_source.FreeBookmark(mark);
  };
  try {
    m_source.First();
    for (int i = 0; i < SkipRecCount; ++i) {
      m_source.Next(counter);
      if (OnSkippedRecord) OnSkippedRecord(this, counter);
    }
    counter = 0;
    int tuples = 0;
    while (!m_source.End(counter) && (ExportRecCount == 0 || counter < ExportRecCount)) {
      if (m_aborted && !CanContinue()) break;
      ++tuples;
      if (CurrentRecordOnly) break;
      m_source.Next(counter);
      if (OnFetchedRecord) OnFetchedRecord(this, counter);
    }
    restore();
    return tuples;
  } catch (...) {
    restore();
    throw;
  }
}

bool IsUtf8WithBom(std::string_view encoding) {
  std::string folded;
  for (char c : encoding)
    if (c != '-' && c != '_' && c != ' ') folded += platform::AsciiLower(c);
  return folded == "utf8bom";
}

std::string TQExportASCII::TextEncoding() const {
  if (m_type == TQExportASCIIType::etDIF || m_type == TQExportASCIIType::etSYLK)
    return "WINDOWS-1252";
  if (Encoding.empty()) return "windows-1252";
  return IsUtf8WithBom(Encoding) ? "UTF-8" : Encoding;
}

void TQExportASCII::BeginExport() {
  TQExportFormatText::BeginExport();
  if (m_type != TQExportASCIIType::etTXT) AutoCalcColWidth = false;
  TQExportWriter& w = *Writer();
  if ((m_type == TQExportASCIIType::etTXT || m_type == TQExportASCIIType::etCSV) &&
      IsUtf8WithBom(Encoding))
    w.Write("\xEF\xBB\xBF");
  switch (m_type) {
    case TQExportASCIIType::etTXT:
      if (!Title.empty()) {
        w.WriteLn(Title);
        w.CharLine('-', 80);
        w.EmptyLine();
      }
      for (const auto& line : Header) w.WriteLn(line);
      break;
    case TQExportASCIIType::etCSV:
      for (const auto& line : Header) w.WriteLn(line + CSVComma);
      break;
    case TQExportASCIIType::etDIF: {
      // The tuple count: the records the loop will read, and the caption row.
      int tuples = CountDifTuples();
      if (m_aborted) return;
      if (AllowCaptions) ++tuples;
      w.WriteLn("TABLE");
      w.WriteLn("0,1");
      w.WriteLn("\"" + DifString(Title) + "\"");
      w.WriteLn("VECTORS");
      w.WriteLn("0," + std::to_string(Columns().Count()));
      w.WriteLn("\"\"");
      w.WriteLn("TUPLES");
      w.WriteLn("0," + std::to_string(tuples));
      w.WriteLn("\"\"");
      w.WriteLn("DATA");
      w.WriteLn("0,0");
      w.WriteLn("\"\"");
      break;
    }
    case TQExportASCIIType::etSYLK:
      w.WriteLn("ID;PVASCIIEXPORT");
      break;
  }
}

void TQExportASCII::EndExport() {
  TQExportWriter& w = *Writer();
  switch (m_type) {
    case TQExportASCIIType::etTXT:
      for (const auto& line : Footer) w.WriteLn(line);
      break;
    case TQExportASCIIType::etCSV:
      for (const auto& line : Footer) w.WriteLn(line + CSVComma);
      break;
    case TQExportASCIIType::etDIF:
      w.WriteLn("-1,0");
      w.WriteLn("EOD");
      break;
    case TQExportASCIIType::etSYLK:
      w.WriteLn("E");
      break;
  }
  TQExportFormatText::EndExport();
}

std::string TQExportASCII::TxtCell(int column, const std::string& text) const {
  const TQExportColumn& c =
      const_cast<TQExportASCII*>(this)->Columns()[static_cast<size_t>(column)];
  std::string cell;
  switch (c.ColAlign) {
    case TQExportColAlign::ecaCenter:
      cell = TQExportWriter::PadCenter(text, ' ', c.Width);
      break;
    case TQExportColAlign::ecaRight:
      cell = TQExportWriter::PadLeft(text, ' ', c.Width);
      break;
    default:
      cell = TQExportWriter::PadRight(text, ' ', c.Width);
      break;
  }
  if (TXTSpacing > 0) cell.append(static_cast<size_t>(TXTSpacing), ' ');
  return cell;
}

std::string TQExportASCII::CsvCell(const std::string& text) const {
  if (!CSVQuoteStrings || CSVQuote == '\0') return text;
  std::string out;
  out.reserve(text.size() + 4);
  out += CSVQuote;
  if (text.find(CSVQuote) == std::string::npos) {
    out += text;
  } else {
    for (char c : text) {
      out += c;
      if (c == CSVQuote) out += c;
    }
  }
  out += CSVQuote;
  return out;
}

std::string TQExportASCII::GetColCaption(int index) {
  std::string text = TQExportFormatText::GetColCaption(index);
  CleanControlCharacters(text, m_type == TQExportASCIIType::etCSV ? ControlCharacters::DropNul
                                                                  : ControlCharacters::Spaces);
  switch (m_type) {
    case TQExportASCIIType::etTXT:
      return TxtCell(index, text);
    case TQExportASCIIType::etCSV:
      return CsvCell(text);
    case TQExportASCIIType::etDIF:
      return "1,0\r\n\"" + DifString(text) + "\"\r\n";
    case TQExportASCIIType::etSYLK:
      return "C;X" + std::to_string(index + 1) + ";Y1;K\"" + SylkString(text) + "\"\r\n";
  }
  return text;
}

void TQExportASCII::GetColData(TQExportCol& col, std::string& text) {
  const TQExportColumn& c = Columns()[static_cast<size_t>(col.ColumnIndex)];
  // Readers of these formats stop at a NUL; fixed-width and cell formats at
  // any control character.
  CleanControlCharacters(text, m_type == TQExportASCIIType::etCSV ? ControlCharacters::DropNul
                                                                  : ControlCharacters::Spaces);
  switch (m_type) {
    case TQExportASCIIType::etTXT:
      text = TxtCell(col.ColumnIndex, text);
      break;
    case TQExportASCIIType::etCSV:
      if (CSVQuoteStrings && CSVQuote != '\0' && text.find(CSVQuote) == std::string::npos) {
        text.insert(text.begin(), CSVQuote);
        text += CSVQuote;
      } else {
        text = CsvCell(text);
      }
      break;
    case TQExportASCIIType::etDIF: {
      // Numeric tuples carry the number itself; any other value is a string.
      std::string number;
      const bool isNull = Columns().IsNull(col.ColumnIndex);
      if (c.IsNumeric && !isNull && PlainNumber(text, number))
        text = "0," + number + "\r\nV\r\n";
      else
        text = "1,0\r\n\"" + DifString(text) + "\"\r\n";
      break;
    }
    case TQExportASCIIType::etSYLK: {
      int row = m_recordCounter + 1 + (AllowCaptions ? 1 : 0);
      text = "C;X" + std::to_string(col.ColumnIndex + 1) + ";Y" + std::to_string(row) + ";K\"" +
             SylkString(text) + "\"\r\n";
      break;
    }
  }
}

std::string TQExportASCII::GetCaptionRow() {
  std::string row;
  for (size_t i = 0; i < Columns().Count(); ++i) {
    if (m_type == TQExportASCIIType::etCSV && i > 0) row += CSVComma;
    row += GetColCaption(static_cast<int>(i));
  }
  return row;
}

void TQExportASCII::WriteCaptionRow() {
  TQExportWriter& w = *Writer();
  switch (m_type) {
    case TQExportASCIIType::etTXT:
    case TQExportASCIIType::etCSV:
      w.WriteLn(GetCaptionRow());
      break;
    case TQExportASCIIType::etDIF:
      w.Write("-1,0\r\nBOT\r\n");
      w.Write(GetCaptionRow());
      break;
    case TQExportASCIIType::etSYLK:
      w.Write(GetCaptionRow());
      break;
  }
}

void TQExportASCII::BuildDataRow(bool formatted, std::string& row) {
  row.clear();
  for (size_t i = 0; i < Row().Count(); ++i) {
    if (m_type == TQExportASCIIType::etCSV && i > 0) row += CSVComma;
    Row()[i].GetExportedValue(formatted, m_cellText);
    row += m_cellText;
  }
}

std::string TQExportASCII::GetDataRow(bool formatted) {
  std::string row;
  BuildDataRow(formatted, row);
  return row;
}

void TQExportASCII::WriteDataRow() {
  TQExportWriter& w = *Writer();
  BuildDataRow(true, m_rowText);
  switch (m_type) {
    case TQExportASCIIType::etTXT:
    case TQExportASCIIType::etCSV:
      w.WriteLn(m_rowText);
      break;
    case TQExportASCIIType::etDIF:
      w.Write("-1,0\r\nBOT\r\n");
      w.Write(m_rowText);
      break;
    case TQExportASCIIType::etSYLK:
      w.Write(m_rowText);
      break;
  }
}

void TQExportASCII::SaveToIni(platform::IniFile& ini) {
  TQExportFormatText::SaveToIni(ini);
  ini.WriteInteger("ASCII", "ExportType", static_cast<int>(m_type));
  ini.WriteString("ASCII", "Comma", CharToSettingText(CSVComma));
  ini.WriteString("ASCII", "Quote", CharToSettingText(CSVQuote));
  ini.WriteBool("ASCII", "QuoteStrings", CSVQuoteStrings);
  ini.WriteInteger("ASCII", "Spacing", TXTSpacing);
  ini.WriteBool("ASCII", "AutoCalcColWidth", AutoCalcColWidth);
  WriteListSection(ini, "ALIGN", ColumnsAlign, "line");
  WriteListSection(ini, "WIDTH", ColumnsWidth, "line");
}

void TQExportASCII::LoadFromIni(const platform::IniFile& ini) {
  TQExportFormatText::LoadFromIni(ini);
  int type = static_cast<int>(ini.ReadInteger("ASCII", "ExportType", static_cast<int>(m_type)));
  if (type >= 0 && type <= 3) SetExportType(static_cast<TQExportASCIIType>(type));
  CSVComma = SettingTextToChar(ini.ReadString("ASCII", "Comma", CharToSettingText(CSVComma)));
  CSVQuote = SettingTextToChar(ini.ReadString("ASCII", "Quote", CharToSettingText(CSVQuote)));
  CSVQuoteStrings = ini.ReadBool("ASCII", "QuoteStrings", CSVQuoteStrings);
  TXTSpacing = static_cast<int>(ini.ReadInteger("ASCII", "Spacing", TXTSpacing));
  AutoCalcColWidth = ini.ReadBool("ASCII", "AutoCalcColWidth", AutoCalcColWidth);
  ReadListSection(ini, "ALIGN", ColumnsAlign);
  ReadListSection(ini, "WIDTH", ColumnsWidth);
}

}  // namespace kvn::exporting
