#include "export/dbf/dbf_export.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "platform/codepage.h"
#include "platform/conversions.h"
#include "platform/endian.h"
#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/format.h"
#include "platform/strings.h"
#include "platform/tdatetime.h"

namespace kvn::exporting {

// ----------------------------------------------------------------- writer

void TQDBFWriter::OpenMemo(platform::Stream& memo) {
  m_memo = &memo;
  m_nextBlock = 1;
  m_block.fill(0);
  m_memo->WriteBuffer(m_block.data(), m_block.size());
}

uint32_t TQDBFWriter::WriteMemo(std::string_view text) {
  const uint32_t first = m_nextBlock;
  std::string bytes(text);
  bytes += "\x1A\x1A";
  const size_t blocks = (bytes.size() + m_block.size() - 1) / m_block.size();
  bytes.resize(blocks * m_block.size(), '\0');
  m_memo->WriteString(bytes);
  m_nextBlock += static_cast<uint32_t>(blocks);
  return first;
}

void TQDBFWriter::CloseMemo() {
  if (!m_memo) return;
  uint8_t next[4];
  platform::PutLE32(next, m_nextBlock);
  m_memo->Seek(0, platform::SeekOrigin::Begin);
  m_memo->WriteBuffer(next, sizeof next);
  m_memo->Seek(0, platform::SeekOrigin::End);
  m_memo = nullptr;
}

// ----------------------------------------------------------------- exporter

namespace {

[[noreturn]] void ThrowTooLong(const TQExportColumn& column, const std::string& text, int length) {
  throw ValueError(column.Name,
                   platform::Subst("la valeur %s ne tient pas dans les %s caractères du champ DBF",
                                   {text, std::to_string(length)}));
}

// A field name readers take without being told an encoding: ASCII capitals,
// digits and "_", accents dropped ("Durée" is DUREE, "Prêté_le" PRETE_LE),
// ten characters at most, starting with a letter.
std::string AsciiFieldName(const std::string& name) {
  static const char* const kFolded[64] = {
      "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I",  "I",   // 0xC0
      "D", "N", "O", "O", "O", "O", "O",  "_", "O", "U", "U", "U", "U", "Y", "TH", "SS",  // 0xD0
      "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I",  "I",   // 0xE0
      "D", "N", "O", "O", "O", "O", "O",  "_", "O", "U", "U", "U", "U", "Y", "TH", "Y"};  // 0xF0
  std::string out;
  for (char c : name) {
    const auto b = static_cast<unsigned char>(c);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')
      out += platform::AsciiUpper(c);
    else if (b >= 0xC0)
      out += kFolded[b - 0xC0];
    else if (b == 0x8C || b == 0x9C)
      out += "OE";
    else if (b == 0x8A || b == 0x9A)
      out += 'S';
    else if (b == 0x8E || b == 0x9E)
      out += 'Z';
    else if (b == 0x9F)
      out += 'Y';
    else
      out += '_';
  }
  if (out.empty() || !(out[0] >= 'A' && out[0] <= 'Z')) out = std::string("F") + out;
  return out.substr(0, 10);
}

void PutRight(std::string& out, const std::string& text, int length) {
  out.append(static_cast<size_t>(length) - text.size(), ' ');
  out += text;
}

}  // namespace

std::string TQExportDBF::MemoFileName(const std::string& fileName) {
  return fileName.substr(0, fileName.size() - platform::ExtractFileExt(fileName).size()) + ".dbt";
}

void TQExportDBF::GetColumnOptions(ColumnOptions& o) const {
  TQExportText::GetColumnOptions(o);
  o.ColumnsLength = &ColumnsLength;
}

bool TQExportDBF::WriterEncodes() const {
  return false;
}

std::unique_ptr<TQExportWriter> TQExportDBF::CreateWriter(platform::Stream& stream) {
  return std::make_unique<TQDBFWriter>(this, stream);
}

void TQExportDBF::BeginExport() {
  TQExportText::BeginExport();
  TQDBFWriter& w = Dbf();
  std::vector<DbfField>& fields = w.Fields();
  fields.clear();
  // A text field is as wide as its longest value (254 at most): nothing is
  // cut. A length the user gave is kept; a longer value then stops the export.
  TQExportColumns& columns = Columns();
  std::vector<bool> measured(columns.Count(), false);
  for (size_t i = 0; i < columns.Count(); ++i) {
    TQExportColumn& c = columns[i];
    if (!c.IsBlob && c.ColType == TQExportColType::String &&
        !(ColumnsLength.HasName(c.Name) && platform::TryStrToInt(ColumnsLength.Value(c.Name)))) {
      measured[i] = true;
      c.Width = 1;
    }
  }
  columns.WidenToValues(measured, [](size_t, std::string_view raw) {
    return static_cast<int>(platform::Utf8Length(raw));
  });
  std::vector<std::string> names;
  int offset = 0;
  bool blobs = false;
  for (size_t i = 0; i < Columns().Count(); ++i) {
    const TQExportColumn& c = Columns()[i];
    DbfField f;
    if (c.IsBlob) {
      f.type = 'M', f.length = 10;
      blobs = true;
    } else {
      switch (c.ColType) {
        case TQExportColType::Integer:
          f.type = 'N', f.length = 11;
          break;
        case TQExportColType::Float:
        case TQExportColType::Currency:
          f.type = 'N', f.length = 15, f.decimals = 4;
          break;
        case TQExportColType::Date:
        case TQExportColType::DateTime:
          f.type = 'D', f.length = 8;
          break;
        // dBASE has no time of day: a duration is kept as its text "hh:nn:ss"
        // rather than as the date 30 December 1899.
        case TQExportColType::Time:
          f.type = 'C', f.length = 8;
          break;
        case TQExportColType::String:
          f.type = 'C', f.length = std::clamp(measured[i] ? c.Width : c.Length, 1, 254);
          break;
        case TQExportColType::Boolean:
          f.type = 'L', f.length = 1;
          break;
        case TQExportColType::Unknown:
          f.type = 'C', f.length = 10;
          break;
      }
    }
    f.offset = offset;
    offset += f.length;
    // Two columns whose names fold alike are told apart by a number.
    std::string name = AsciiFieldName(platform::Utf8ToCp1252(c.Name));
    for (int n = 2; std::find(names.begin(), names.end(), name) != names.end(); ++n) {
      const std::string suffix = std::to_string(n);
      name = AsciiFieldName(platform::Utf8ToCp1252(c.Name)).substr(0, 10 - suffix.size()) + suffix;
    }
    names.push_back(name);
    std::memcpy(f.descriptor.data(), name.data(), name.size());
    f.descriptor[11] = static_cast<uint8_t>(f.type);
    platform::PutLE32(&f.descriptor[12], static_cast<uint32_t>(f.offset));
    f.descriptor[16] = static_cast<uint8_t>(f.length);
    f.descriptor[17] = static_cast<uint8_t>(f.decimals);
    fields.push_back(f);
  }
  const int recordLength = 1 + offset;
  const int headerLength = 32 * static_cast<int>(fields.size()) + 33;
  if (recordLength > 0xFFFF || headerLength > 0xFFFF)
    throw Error("Trop de colonnes pour une table DBF : un enregistrement dépasse 65 535 octets.");

  const bool memo = blobs && m_fileOutput;
  if (memo) {
    w.OpenMemo(m_files->Add(MemoFileName(FileName)));
  }
  std::array<uint8_t, 32>& h = w.Header();
  h.fill(0);
  h[0] = memo ? 0x83 : 0x03;
  const platform::DateParts today = platform::DecodeDate(platform::Today());
  h[1] = static_cast<uint8_t>(today.year - 1900);
  h[2] = static_cast<uint8_t>(today.month);
  h[3] = static_cast<uint8_t>(today.day);
  platform::PutLE16(&h[8], static_cast<uint16_t>(headerLength));
  platform::PutLE16(&h[10], static_cast<uint16_t>(recordLength));
  // The language driver: Windows ANSI (code page 1252), so readers decode the
  // texts without being told.
  h[29] = 0x03;
  std::string bytes(reinterpret_cast<const char*>(h.data()), h.size());
  for (const DbfField& f : fields)
    bytes.append(reinterpret_cast<const char*>(f.descriptor.data()), 32);
  bytes += '\x0D';
  w.Write(bytes);
  m_records = 0;
  m_ended = false;
}

void TQExportDBF::BeforeExport() {
  TQExportText::BeforeExport();
  // Values read from the source during the data phase have a point as
  // decimal separator.
  m_point.emplace('.');
}

void TQExportDBF::AfterExport() {
  m_point.reset();
  TQExportText::AfterExport();
}

void TQExportDBF::FieldText(const TQExportColumn& column, const DbfField& field, bool null,
                            std::string value, std::string& out) {
  // Only a real null is empty: a film called "Null" keeps its title.
  if (null) value.clear();
  // Windows-1252, as the table's language driver says; what it lacks is "?",
  // counted. Lengths are then counted in its bytes.
  const std::string utf8 = value;  // as messages name it
  if (!platform::IsAscii(value))
    value = Encoder() ? Encoder()->Encode(value) : platform::Utf8ToCp1252(value);
  const int length = field.length;
  if (column.IsBlob) {
    // Memo texts of a data set (only its columns have fields); raw blobs (pictures) have no place
    // in a dBASE III memo, which ends at the first 0x1A.
    const SourceAccess source = Source();
    db::Field* f = source.FieldOf(column.ColIndex);
    if (Dbf().HasMemo() && !value.empty() && f && f->DataType() == db::FieldType::Memo)
      PutRight(out, std::to_string(Dbf().WriteMemo(value)), length);
    else
      out.append(static_cast<size_t>(length), ' ');
    return;
  }
  switch (column.ColType) {
    case TQExportColType::Float:
    case TQExportColType::Currency: {
      if (value.empty()) value.assign(1, '0');
      auto v = platform::TryStrToFloat(value);
      if (!v) ThrowValueError(column, platform::ConversionKind::Float, utf8);
      char buffer[64];
      auto [end, ec] =
          std::to_chars(buffer, buffer + sizeof buffer, *v, std::chars_format::fixed, 4);
      const std::string text(buffer, ec == std::errc() ? end : buffer);
      if (static_cast<int>(text.size()) > length || text.empty())
        ThrowTooLong(column, utf8, length);
      PutRight(out, text, length);
      return;
    }
    default:
      break;
  }
  if (value.empty()) {
    out.append(static_cast<size_t>(length), ' ');
    return;
  }
  switch (field.type) {
    case 'N': {
      if (!platform::TryStrToInt64(value))
        ThrowValueError(column, platform::ConversionKind::Integer, utf8);
      if (static_cast<int>(value.size()) > length) ThrowTooLong(column, utf8, length);
      PutRight(out, value, length);
      return;
    }
    case 'D': {
      auto v = platform::TryStrToDateTime(value);
      if (!v) ThrowValueError(column, DateConversionKind(column.ColType), utf8);
      out += platform::FormatDateTime("yyyymmdd", *v).substr(0, 8);
      return;
    }
    case 'L': {
      const std::string upper = platform::Utf8UpperCase(value);
      out += upper.find("TRUE") != std::string::npos    ? 'T'
             : upper.find("FALSE") != std::string::npos ? 'F'
                                                        : ' ';
      return;
    }
    default:
      break;
  }
  if (column.ColType == TQExportColType::Time) {
    auto v = platform::TryStrToDateTime(value);
    if (!v) ThrowValueError(column, platform::ConversionKind::Time, utf8);
    value = platform::FormatDateTime("hh:nn:ss", *v);
  }
  if (static_cast<int>(value.size()) > length) {
    ThrowTooLong(column, utf8, length);
  } else {
    out += value;
    out.append(static_cast<size_t>(length) - value.size(), ' ');
  }
}

void TQExportDBF::WriteDataRow() {
  const std::vector<DbfField>& fields = Dbf().Fields();
  m_record.assign(1, ' ');
  TQExportRow& row = Row();
  for (size_t i = 0; i < row.Count(); ++i) {
    row[i].GetExportedValue(false, m_value);
    const auto index = static_cast<size_t>(row[i].ColumnIndex);
    FieldText(Columns()[index], fields[index], Columns().IsNull(static_cast<int>(index)), m_value,
              m_record);
  }
  Writer()->Write(m_record);
  ++m_records;
}

void TQExportDBF::EndExport() {
  m_point.reset();
  if (!m_ended) {
    m_ended = true;
    TQDBFWriter& w = Dbf();
    w.Write("\x1A");
    // The record count, once every record is written.
    uint8_t count[4];
    platform::PutLE32(count, m_records);
    platform::Stream& s = w.Stream();
    s.Seek(4, platform::SeekOrigin::Begin);
    s.WriteBuffer(count, sizeof count);
    s.Seek(0, platform::SeekOrigin::End);
    w.CloseMemo();
  }
  TQExportText::EndExport();
}

void TQExportDBF::Execute() {
  MakeTargetDirectory();
  {
    // The table and its memo file replace their earlier versions as one, only
    // once both are complete.
    m_files = std::make_unique<platform::OutputSet>();
    m_fileOutput = true;
    struct Reset {
      TQExportDBF& e;
      ~Reset() {
        e.m_fileOutput = false;
        e.m_files.reset();
      }
    } reset{*this};
    ExportToStream(m_files->Add(FileName));
    if (m_aborted) {
      m_files->Discard();
      throw ExportAborted(FileName);
    }
    m_files->Commit();
  }
  ShowResult();
}

void TQExportDBF::SaveToIni(platform::IniFile& ini) {
  TQExportText::SaveToIni(ini);
  WriteListSection(ini, "LENGTH", ColumnsLength, "line");
}

void TQExportDBF::LoadFromIni(const platform::IniFile& ini) {
  TQExportText::LoadFromIni(ini);
  ReadListSection(ini, "LENGTH", ColumnsLength);
}

}  // namespace kvn::exporting
