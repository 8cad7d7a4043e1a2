#include "import/import_reader.h"

#include <freexl.h>
#include <iconv.h>

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <map>

#include "archive/zf_exception.h"
#include "archive/zip_forge.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/stream.h"
#include "platform/strings.h"
#include "platform/sys_error.h"

namespace kvn::importing {

using platform::Subst;

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool EndsWith(const std::string& text, std::string_view end) {
  return text.size() >= end.size() && Lower(text.substr(text.size() - end.size())) == end;
}

bool IsUtf8Name(std::string_view name) {
  const std::string n = Lower(name);
  return n == "utf-8" || n == "utf8";
}

bool IsCp1252Name(std::string_view name) {
  const std::string n = Lower(name);
  return n == "windows-1252" || n == "cp1252" || n == "ansi";
}

// The bytes of a text in an encoding, as UTF-8.
std::string DecodeText(const std::string& bytes, const std::string& encoding) {
  if (IsUtf8Name(encoding)) {
    std::string_view text(bytes);
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    if (!platform::IsValidUtf8(text))
      throw Error(
          "Le fichier n'est pas écrit en UTF-8 : choisissez son encodage (Windows-1252 par "
          "exemple).");
    return std::string(text);
  }
  if (IsCp1252Name(encoding)) return platform::Cp1252ToUtf8(bytes);
  iconv_t cd = ::iconv_open("UTF-8", encoding.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1))
    throw Error(Subst("Encodage inconnu : « %s ».", {encoding}));
  std::string out;
  std::string in = bytes;
  char* src = in.data();
  size_t left = in.size();
  char buffer[16384];
  while (left > 0) {
    char* dst = buffer;
    size_t room = sizeof buffer;
    const size_t done = ::iconv(cd, &src, &left, &dst, &room);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (done == static_cast<size_t>(-1) && errno != E2BIG) {
      ::iconv_close(cd);
      throw Error(Subst("Le fichier n'est pas écrit en %s : choisissez son encodage.", {encoding}));
    }
  }
  ::iconv_close(cd);
  // A byte order mark the encoding kept.
  if (std::string_view(out).substr(0, 3) == "\xEF\xBB\xBF") out.erase(0, 3);
  return out;
}

std::string EncodingOf(const std::string& bytes) {
  const std::string_view head(bytes.data(), std::min<size_t>(bytes.size(), 4));
  if (head.substr(0, 3) == "\xEF\xBB\xBF") return "UTF-8";
  if (head.substr(0, 2) == "\xFF\xFE") return "UTF-16LE";
  if (head.substr(0, 2) == "\xFE\xFF") return "UTF-16BE";
  return platform::IsValidUtf8(bytes) ? "UTF-8" : "Windows-1252";
}

// Cuts a delimited text into rows; a quoted value may hold the delimiter,
// the quote (doubled) and line breaks. limit: rows to read at most (0: all).
std::vector<ImportRow> CutRows(std::string_view text, char delimiter, char quote,
                               size_t limit = 0) {
  std::vector<ImportRow> rows;
  ImportRow row;
  std::string cell;
  int line = 1;
  row.line = 1;
  bool quoted = false, wasQuoted = false, any = false;
  auto endCell = [&] {
    // Spaces around an unquoted value are the layout's, not the value's.
    if (!wasQuoted) cell = std::string(platform::Trim(cell));
    row.cells.push_back(std::move(cell));
    cell.clear();
    wasQuoted = false;
  };
  auto endRow = [&] {
    endCell();
    // Blank lines are no films.
    const bool blank = std::all_of(row.cells.begin(), row.cells.end(),
                                   [](const std::string& c) { return c.empty(); });
    if (!blank) rows.push_back(std::move(row));
    row = ImportRow();
    row.line = line;
    any = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == quote) {
        if (i + 1 < text.size() && text[i + 1] == quote) {
          cell += quote;
          ++i;
        } else {
          quoted = false;
        }
      } else if (c == '\r') {
        // Line breaks within a value are kept as LF.
        cell += '\n';
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        ++line;
      } else {
        if (c == '\n') ++line;
        cell += c;
      }
      continue;
    }
    if (quote && c == quote && platform::Trim(cell).empty()) {
      cell.clear();
      quoted = wasQuoted = any = true;
    } else if (c == delimiter) {
      endCell();
      any = true;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++line;
      endRow();
      if (limit && rows.size() >= limit) return rows;
    } else {
      cell += c;
      any = true;
    }
  }
  if (any || !cell.empty() || !row.cells.empty()) endRow();
  return rows;
}

std::string NumberText(double v) {
  if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", v);
    return text;
  }
  char text[40];
  std::snprintf(text, sizeof text, "%.15g", v);
  return text;
}

// A spreadsheet's serial day (days from 30/12/1899) as YYYY-MM-DD, its
// fraction as HH:MM:SS.
std::string SerialDate(double serial) {
  int64_t days = static_cast<int64_t>(std::floor(serial)) - 25569;  // from 1970-01-01
  // Civil date from days (Howard Hinnant's algorithm).
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(days - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y0 = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = y0 + (m <= 2);
  char text[32];
  std::snprintf(text, sizeof text, "%04lld-%02u-%02u", static_cast<long long>(y), m, d);
  return text;
}

std::string SerialTime(double serial) {
  const double fraction = serial - std::floor(serial);
  int64_t seconds = std::llround(fraction * 86400);
  if (seconds >= 86400) seconds = 86399;
  char text[48];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return text;
}

// The first row of a sheet gives the names; the others are films.
ImportTable FromSheet(SourceFormat format, std::vector<ImportRow> rows) {
  ImportTable table;
  table.format = format;
  if (rows.empty()) return table;
  table.columns = rows.front().cells;
  rows.erase(rows.begin());
  table.rows = std::move(rows);
  return table;
}

// ----------------------------------------------------------------- XLS

ImportTable ReadXls(const std::string& path) {
  const void* handle = nullptr;
  if (::freexl_open(path.c_str(), &handle) != FREEXL_OK)
    throw Error(Subst("Le classeur \"%s\" est illisible ou endommagé.", {path}));
  std::vector<ImportRow> rows;
  try {
    unsigned int count = 0;
    unsigned short columns = 0;
    if (::freexl_select_active_worksheet(handle, 0) != FREEXL_OK ||
        ::freexl_worksheet_dimensions(handle, &count, &columns) != FREEXL_OK)
      throw Error(Subst("Le classeur \"%s\" n'a pas de feuille lisible.", {path}));
    for (unsigned int r = 0; r < count; ++r) {
      ImportRow row;
      row.line = static_cast<int>(r + 1);
      bool any = false;
      for (unsigned short c = 0; c < columns; ++c) {
        FreeXL_CellValue cell;
        std::string text;
        if (::freexl_get_cell_value(handle, r, c, &cell) == FREEXL_OK) {
          switch (cell.type) {
            case FREEXL_CELL_INT:
              text = std::to_string(cell.value.int_value);
              break;
            case FREEXL_CELL_DOUBLE:
              text = NumberText(cell.value.double_value);
              break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
              text = cell.value.text_value ? cell.value.text_value : "";
              break;
            default:
              break;
          }
        }
        any = any || !text.empty();
        row.cells.push_back(std::move(text));
      }
      if (any) rows.push_back(std::move(row));
    }
  } catch (...) {
    ::freexl_close(handle);
    throw;
  }
  ::freexl_close(handle);
  return FromSheet(SourceFormat::Xls, std::move(rows));
}

// ----------------------------------------------------------------- zip entries

class ZipEntries {
 public:
  explicit ZipEntries(const std::string& path) {
    m_zip.Name = "Import";
    m_zip.FileName = path;
    try {
      m_zip.Open(0x20);
    } catch (const archive::EZFException& e) {
      throw Error(Subst("Le fichier \"%s\" est illisible ou endommagé.\n(%s)", {path, e.what()}));
    }
  }
  bool Has(const std::string& name) const {
    archive::TZFArchiveItem item;
    return m_zip.FindEntry(name, item);
  }
  std::string Read(const std::string& name) {
    platform::MemoryStream out;
    try {
      m_zip.ExtractTo(name, out);
    } catch (const std::exception& e) {
      throw Error(Subst("La partie « %s » du fichier est endommagée.\n(%s)", {name, e.what()}));
    }
    return out.Data();
  }

 private:
  archive::TZipForge m_zip;
};

QString Attribute(const QXmlStreamReader& xml, QStringView name) {
  for (const QXmlStreamAttribute& a : xml.attributes())
    if (a.qualifiedName() == name || a.name() == name) return a.value().toString();
  return {};
}

void CheckXml(const QXmlStreamReader& xml, const std::string& what) {
  if (xml.hasError())
    throw Error(Subst("%s n'est pas un XML correct (ligne %s) : %s",
                      {what, std::to_string(xml.lineNumber()), xml.errorString().toStdString()}));
}

// Column index of a cell reference such as "AB12".
int ColumnOf(QStringView reference) {
  int column = 0;
  for (QChar c : reference) {
    if (c < 'A' || c > 'Z') break;
    column = column * 26 + (c.unicode() - 'A' + 1);
  }
  return column - 1;
}

enum class NumberKind { Plain, Date, Time, DateTime };

NumberKind KindOfFormat(int id, const QString& code) {
  if ((id >= 14 && id <= 17) || id == 22) return id == 22 ? NumberKind::DateTime : NumberKind::Date;
  if ((id >= 18 && id <= 21) || (id >= 45 && id <= 47)) return NumberKind::Time;
  if (code.isEmpty()) return NumberKind::Plain;
  // Letters outside quotes and brackets decide.
  bool date = false, time = false, inQuote = false, inBracket = false;
  for (QChar c : code) {
    if (c == '"') inQuote = !inQuote;
    if (inQuote) continue;
    if (c == '[') inBracket = true;
    if (c == ']') inBracket = false;
    if (inBracket) {
      if (c == 'h' || c == 'H' || c == 's' || c == 'S') time = true;  // [h]:mm:ss
      continue;
    }
    const QChar l = c.toLower();
    if (l == 'y' || l == 'd') date = true;
    if (l == 'h' || l == 's') time = true;
  }
  if (date && time) return NumberKind::DateTime;
  if (date) return NumberKind::Date;
  if (time) return NumberKind::Time;
  return NumberKind::Plain;
}

std::string Converted(double v, NumberKind kind) {
  switch (kind) {
    case NumberKind::Date:
      return SerialDate(v);
    case NumberKind::Time:
      return SerialTime(v);
    case NumberKind::DateTime:
      return SerialDate(v) + " " + SerialTime(v);
    default:
      return NumberText(v);
  }
}

// ----------------------------------------------------------------- XLSX

ImportTable ReadXlsx(const std::string& path) {
  ZipEntries zip(path);
  // The first sheet, as the workbook lists them.
  std::string sheet = "xl/worksheets/sheet1.xml";
  {
    QString firstId;
    QXmlStreamReader xml(QByteArray::fromStdString(zip.Read("xl/workbook.xml")));
    while (xml.readNextStartElement() || !xml.atEnd()) {
      if (xml.isStartElement() && xml.name() == u"sheet") {
        firstId = Attribute(xml, u"r:id");
        break;
      }
      if (!xml.isStartElement()) xml.readNext();
    }
    if (!firstId.isEmpty() && zip.Has("xl/_rels/workbook.xml.rels")) {
      QXmlStreamReader rels(QByteArray::fromStdString(zip.Read("xl/_rels/workbook.xml.rels")));
      while (!rels.atEnd()) {
        rels.readNext();
        if (rels.isStartElement() && rels.name() == u"Relationship" &&
            Attribute(rels, u"Id") == firstId) {
          QString target = Attribute(rels, u"Target");
          if (target.startsWith('/'))
            target.remove(0, 1);
          else
            target = QStringLiteral("xl/") + target;
          sheet = target.toStdString();
        }
      }
    }
  }
  std::vector<std::string> strings;
  if (zip.Has("xl/sharedStrings.xml")) {
    QXmlStreamReader xml(QByteArray::fromStdString(zip.Read("xl/sharedStrings.xml")));
    QString current;
    bool inPhonetic = false;
    while (!xml.atEnd()) {
      xml.readNext();
      if (xml.isStartElement()) {
        if (xml.name() == u"si") current.clear();
        if (xml.name() == u"rPh") inPhonetic = true;
        if (xml.name() == u"t" && !inPhonetic) current += xml.readElementText();
      } else if (xml.isEndElement()) {
        if (xml.name() == u"rPh") inPhonetic = false;
        if (xml.name() == u"si") strings.push_back(current.toStdString());
      }
    }
    CheckXml(xml, "Le classeur");
  }
  std::vector<NumberKind> styles;
  if (zip.Has("xl/styles.xml")) {
    QXmlStreamReader xml(QByteArray::fromStdString(zip.Read("xl/styles.xml")));
    std::map<int, QString> formats;
    bool inCellXfs = false;
    while (!xml.atEnd()) {
      xml.readNext();
      if (xml.isStartElement()) {
        if (xml.name() == u"numFmt")
          formats[Attribute(xml, u"numFmtId").toInt()] = Attribute(xml, u"formatCode");
        if (xml.name() == u"cellXfs") inCellXfs = true;
        if (xml.name() == u"xf" && inCellXfs) {
          const int id = Attribute(xml, u"numFmtId").toInt();
          styles.push_back(KindOfFormat(id, formats.count(id) ? formats[id] : QString()));
        }
      } else if (xml.isEndElement() && xml.name() == u"cellXfs") {
        inCellXfs = false;
      }
    }
  }
  if (!zip.Has(sheet)) throw Error(Subst("Le classeur \"%s\" n'a pas de feuille.", {path}));
  std::vector<ImportRow> rows;
  QXmlStreamReader xml(QByteArray::fromStdString(zip.Read(sheet)));
  ImportRow row;
  int column = 0;
  QString type, value, reference;
  int style = 0;
  bool inCell = false;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      if (xml.name() == u"row") {
        row = ImportRow();
        row.line = Attribute(xml, u"r").toInt();
        if (row.line == 0) row.line = rows.empty() ? 1 : rows.back().line + 1;
        column = 0;
      } else if (xml.name() == u"c") {
        reference = Attribute(xml, u"r");
        if (!reference.isEmpty()) column = ColumnOf(reference);
        type = Attribute(xml, u"t");
        style = Attribute(xml, u"s").toInt();
        value.clear();
        inCell = true;
      } else if (inCell && xml.name() == u"v") {
        value = xml.readElementText();
      } else if (inCell && xml.name() == u"t") {
        value += xml.readElementText();
      }
    } else if (xml.isEndElement()) {
      if (xml.name() == u"c") {
        std::string text;
        if (type == u"s") {
          const size_t i = static_cast<size_t>(value.toLongLong());
          if (i < strings.size()) text = strings[i];
        } else if (type == u"b") {
          text = value == u"1" ? "Vrai" : "Faux";
        } else if (type.isEmpty() || type == u"n") {
          bool ok = false;
          const double v = value.toDouble(&ok);
          const NumberKind kind = static_cast<size_t>(style) < styles.size()
                                      ? styles[static_cast<size_t>(style)]
                                      : NumberKind::Plain;
          text = ok ? Converted(v, kind) : value.toStdString();
        } else {
          text = value.toStdString();
        }
        if (column >= 0 && column < 16384) {
          if (row.cells.size() <= static_cast<size_t>(column))
            row.cells.resize(static_cast<size_t>(column) + 1);
          row.cells[static_cast<size_t>(column)] = std::move(text);
        }
        ++column;
        inCell = false;
      } else if (xml.name() == u"row") {
        const bool blank = std::all_of(row.cells.begin(), row.cells.end(),
                                       [](const std::string& c) { return c.empty(); });
        if (!blank) rows.push_back(std::move(row));
      }
    }
  }
  CheckXml(xml, "Le classeur");
  return FromSheet(SourceFormat::Xlsx, std::move(rows));
}

// ----------------------------------------------------------------- ODS

// "PT01H30M00S" as "01:30:00".
std::string IsoDuration(const QString& text) {
  int h = 0, m = 0;
  double s = 0;
  QString number;
  bool inTime = false;
  for (QChar c : text) {
    if (c == 'T') {
      inTime = true;
    } else if (c.isDigit() || c == '.') {
      number += c;
    } else if (inTime && c == 'H') {
      h += number.toInt(), number.clear();
    } else if (inTime && c == 'M') {
      m += number.toInt(), number.clear();
    } else if (inTime && c == 'S') {
      s += number.toDouble(), number.clear();
    } else if (c == 'D') {
      h += 24 * number.toInt(), number.clear();
    } else {
      number.clear();
    }
  }
  const int seconds = static_cast<int>(std::lround(s));
  m += seconds / 60;
  h += m / 60;
  char out[48];
  std::snprintf(out, sizeof out, "%02d:%02d:%02d", h, m % 60, seconds % 60);
  return out;
}

ImportTable ReadOds(const std::string& path) {
  ZipEntries zip(path);
  if (!zip.Has("content.xml")) throw Error(Subst("Le classeur \"%s\" n'a pas de contenu.", {path}));
  QXmlStreamReader xml(QByteArray::fromStdString(zip.Read("content.xml")));
  std::vector<ImportRow> rows;
  ImportRow row;
  int tables = 0, line = 0, pendingBlankRows = 0;
  int rowRepeat = 1;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      const QStringView name = xml.name();
      if (name == u"table") {
        if (++tables > 1) break;  // the first sheet only
      } else if (name == u"table-row") {
        row = ImportRow();
        rowRepeat = std::max(1, Attribute(xml, u"table:number-rows-repeated").toInt());
      } else if (name == u"table-cell" || name == u"covered-table-cell") {
        const int repeat = std::max(1, Attribute(xml, u"table:number-columns-repeated").toInt());
        const QString type = Attribute(xml, u"office:value-type");
        std::string text;
        if (type == u"float" || type == u"percentage" || type == u"currency") {
          text = NumberText(Attribute(xml, u"office:value").toDouble());
        } else if (type == u"date") {
          QString d = Attribute(xml, u"office:date-value");
          if (d.endsWith(QStringLiteral("T00:00:00"))) d.chop(9);
          text = d.replace('T', ' ').toStdString();
        } else if (type == u"time") {
          text = IsoDuration(Attribute(xml, u"office:time-value"));
        } else if (type == u"boolean") {
          text = Attribute(xml, u"office:boolean-value") == u"true" ? "Vrai" : "Faux";
        }
        // The cell's paragraphs (a string's text, or what a number shows).
        QString paragraphs;
        int depth = 1, paragraph = 0;
        while (depth > 0 && !xml.atEnd()) {
          xml.readNext();
          if (xml.isStartElement()) {
            ++depth;
            if (xml.name() == u"p" && paragraph++ > 0) paragraphs += '\n';
            if (xml.name() == u"s")
              paragraphs += QString(std::max(1, Attribute(xml, u"text:c").toInt()), ' ');
            if (xml.name() == u"tab") paragraphs += '\t';
            if (xml.name() == u"line-break") paragraphs += '\n';
            if (xml.name() == u"annotation") {  // a comment is not the value
              xml.skipCurrentElement();
              --depth;
            }
          } else if (xml.isEndElement()) {
            --depth;
          } else if (xml.isCharacters()) {
            paragraphs += xml.text();
          }
        }
        if (type.isEmpty() || type == u"string") text = paragraphs.toStdString();
        // Repeated empty cells at the end of a row are left out.
        if (text.empty() && repeat > 1) {
          row.cells.resize(row.cells.size() + static_cast<size_t>(std::min(repeat, 1024)));
        } else {
          for (int i = 0; i < std::min(repeat, 1024); ++i) row.cells.push_back(text);
        }
      }
    } else if (xml.isEndElement() && xml.name() == u"table-row") {
      const bool blank = std::all_of(row.cells.begin(), row.cells.end(),
                                     [](const std::string& c) { return c.empty(); });
      if (blank) {
        pendingBlankRows += rowRepeat;  // counted, never stored
      } else {
        line += pendingBlankRows;
        pendingBlankRows = 0;
        for (int i = 0; i < std::min(rowRepeat, 100000); ++i) {
          row.line = ++line;
          rows.push_back(row);
        }
      }
    }
  }
  CheckXml(xml, "Le classeur");
  // Cells beyond the last named column hold nothing.
  for (ImportRow& r : rows)
    while (!r.cells.empty() && r.cells.back().empty()) r.cells.pop_back();
  return FromSheet(SourceFormat::Ods, std::move(rows));
}

// ----------------------------------------------------------------- XML files

// Rows of named values, in the order the names first appear.
class NamedRows {
 public:
  void Begin(int line) {
    m_rows.emplace_back();
    m_rows.back().line = line;
  }
  void Set(const std::string& name, std::string value) {
    if (value.empty() || m_rows.empty()) return;
    auto it = m_index.find(name);
    size_t column;
    if (it == m_index.end()) {
      column = m_names.size();
      m_index[name] = column;
      m_names.push_back(name);
    } else {
      column = it->second;
    }
    std::vector<std::string>& cells = m_rows.back().cells;
    if (cells.size() <= column) cells.resize(column + 1);
    // A value given twice (several directors) keeps both.
    cells[column] = cells[column].empty() ? std::move(value) : cells[column] + ", " + value;
  }
  ImportTable Table(SourceFormat format) {
    ImportTable table;
    table.format = format;
    table.columns = m_names;
    for (ImportRow& r : m_rows) r.cells.resize(m_names.size());
    table.rows = std::move(m_rows);
    return table;
  }

 private:
  std::vector<std::string> m_names;
  std::map<std::string, size_t> m_index;
  std::vector<ImportRow> m_rows;
};

// The export's own packet: FIELD names, then ROW attributes.
ImportTable ReadPacket(QXmlStreamReader& xml) {
  NamedRows rows;
  std::vector<std::string> declared;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) continue;
    if (xml.name() == u"FIELD") {
      declared.push_back(Attribute(xml, u"FieldName").toStdString());
    } else if (xml.name() == u"ROW") {
      if (declared.size()) {
        rows.Begin(static_cast<int>(xml.lineNumber()));
        for (const std::string& name : declared) rows.Set(name, std::string());
      }
      rows.Begin(static_cast<int>(xml.lineNumber()));
      for (const QXmlStreamAttribute& a : xml.attributes())
        rows.Set(a.name().toString().toStdString(), a.value().toString().toStdString());
    }
  }
  ImportTable table = rows.Table(SourceFormat::Packet);
  // The declared fields come first and in order, even those never filled.
  if (!declared.empty()) {
    ImportTable ordered;
    ordered.format = SourceFormat::Packet;
    ordered.columns = declared;
    for (const ImportRow& r : table.rows) {
      ImportRow o;
      o.line = r.line;
      for (const std::string& name : declared) {
        const auto it = std::find(table.columns.begin(), table.columns.end(), name);
        const size_t c = static_cast<size_t>(it - table.columns.begin());
        o.cells.push_back(it != table.columns.end() && c < r.cells.size() ? r.cells[c] : "");
      }
      if (std::any_of(o.cells.begin(), o.cells.end(),
                      [](const std::string& s) { return !s.empty(); }))
        ordered.rows.push_back(std::move(o));
    }
    return ordered;
  }
  return table;
}

// The text of an element and of its <line><col> children: lines joined by
// ", ", the first column of each ("Acteur (rôle)" when a role is given).
std::string GCstarValue(QXmlStreamReader& xml) {
  std::string value, line;
  std::vector<std::string> cols;
  int depth = 1;
  while (depth > 0 && !xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      ++depth;
      if (xml.name() == u"line") cols.clear();
      if (xml.name() == u"col") {
        cols.push_back(xml.readElementText().trimmed().toStdString());
        --depth;
      }
    } else if (xml.isEndElement()) {
      --depth;
      if (xml.name() == u"line" && !cols.empty() && !cols[0].empty())
        value += (value.empty() ? "" : ", ") + cols[0];
    } else if (xml.isCharacters() && depth == 1) {
      line += xml.text().toString().toStdString();
    }
  }
  return value.empty() ? std::string(platform::Trim(line)) : value;
}

ImportTable ReadGCstar(QXmlStreamReader& xml) {
  NamedRows rows;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement() || xml.name() != u"item") continue;
    rows.Begin(static_cast<int>(xml.lineNumber()));
    // Simple values are attributes (since 1.2) or elements (before).
    for (const QXmlStreamAttribute& a : xml.attributes())
      rows.Set(a.name().toString().toStdString(), a.value().toString().trimmed().toStdString());
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
      xml.readNext();
      if (xml.isStartElement()) {
        const std::string name = xml.name().toString().toStdString();
        rows.Set(name, GCstarValue(xml));
      } else if (xml.isEndElement()) {
        --depth;
      }
    }
  }
  return rows.Table(SourceFormat::GCstar);
}

// Tellico: one element per field; a field with several values has a plural
// container ("directors" holding "director"), a table field rows of
// "column" elements (the cast: actor, role).
ImportTable ReadTellico(QXmlStreamReader& xml) {
  NamedRows rows;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement() || xml.name() != u"entry") continue;
    rows.Begin(static_cast<int>(xml.lineNumber()));
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
      xml.readNext();
      if (xml.isEndElement()) {
        --depth;
        continue;
      }
      if (!xml.isStartElement()) continue;
      const std::string field = xml.name().toString().toStdString();
      // The element's text, or each child's first column or text.
      std::string single;
      std::vector<std::string> values;
      int inner = 1;
      bool firstColumn = false;
      while (inner > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
          ++inner;
          if (inner == 2) {
            values.emplace_back();
            firstColumn = true;
          }
          if (xml.name() == u"column") {
            const std::string text = xml.readElementText().trimmed().toStdString();
            --inner;
            if (firstColumn && !values.empty()) values.back() = text;
            firstColumn = false;
          }
        } else if (xml.isEndElement()) {
          --inner;
        } else if (xml.isCharacters()) {
          if (inner == 1) single += xml.text().toString().toStdString();
          if (inner == 2 && !values.empty()) values.back() += xml.text().toString().toStdString();
        }
      }
      std::string value;
      for (const std::string& v : values) {
        const std::string_view t = platform::Trim(v);
        if (!t.empty()) value += (value.empty() ? "" : ", ") + std::string(t);
      }
      if (values.empty()) value = std::string(platform::Trim(single));
      // "directors" and "director" are one field.
      std::string name = field;
      if (!values.empty() && name.size() > 1 && name.back() == 's') name.pop_back();
      rows.Set(name, value);
    }
  }
  return rows.Table(SourceFormat::Tellico);
}

ImportTable ReadXml(const std::string& bytes, const std::string& path) {
  QXmlStreamReader xml(QByteArray::fromStdString(bytes));
  while (!xml.atEnd() && !xml.isStartElement()) xml.readNext();
  CheckXml(xml, Subst("Le fichier \"%s\"", {path}));
  const QStringView root = xml.name();
  ImportTable table;
  if (root == u"DATAPACKET") {
    table = ReadPacket(xml);
  } else if (root == u"collection") {
    table = ReadGCstar(xml);
  } else if (root == u"tellico") {
    table = ReadTellico(xml);
  } else {
    throw Error(
        Subst("Le fichier \"%s\" n'est pas une liste de films connue (élément racine « %s »).",
              {path, root.toString().toStdString()}));
  }
  CheckXml(xml, Subst("Le fichier \"%s\"", {path}));
  return table;
}

std::string ReadWhole(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    const int err = errno;
    throw Error(Subst("Impossible d'ouvrir \"%s\". %s", {path, platform::SystemErrorMessage(err)}));
  }
  std::string bytes;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  const bool failed = std::ferror(f);
  const int err = errno;
  std::fclose(f);
  if (failed)
    throw Error(Subst("Impossible de lire \"%s\". %s", {path, platform::SystemErrorMessage(err)}));
  return bytes;
}

}  // namespace

const char* FormatName(SourceFormat format) {
  switch (format) {
    case SourceFormat::Text:
      return "texte délimité";
    case SourceFormat::Xls:
      return "classeur Excel 97-2003";
    case SourceFormat::Xlsx:
      return "classeur Excel (XLSX)";
    case SourceFormat::Ods:
      return "classeur OpenDocument";
    case SourceFormat::Packet:
      return "export XML de Korvane";
    case SourceFormat::GCstar:
      return "collection GCstar";
    case SourceFormat::Tellico:
      return "collection Tellico";
  }
  return "";
}

SourceFormat DetectFormat(const std::string& path, const std::string& head) {
  if (head.rfind("\xD0\xCF\x11\xE0", 0) == 0) return SourceFormat::Xls;
  if (head.rfind("PK\x03\x04", 0) == 0) {
    if (EndsWith(path, ".ods") ||
        head.find("application/vnd.oasis.opendocument") != std::string::npos)
      return SourceFormat::Ods;
    if (EndsWith(path, ".tc")) return SourceFormat::Tellico;
    return SourceFormat::Xlsx;
  }
  std::string_view text(head);
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  text = platform::TrimLeft(text);
  if (text.substr(0, 1) == "<") {
    if (text.find("<tellico") != std::string_view::npos) return SourceFormat::Tellico;
    if (text.find("<collection") != std::string_view::npos) return SourceFormat::GCstar;
    return SourceFormat::Packet;
  }
  return SourceFormat::Text;
}

TextOptions DetectTextOptions(const std::string& bytes) {
  TextOptions options;
  options.encoding = EncodingOf(bytes);
  std::string sample;
  try {
    sample = DecodeText(bytes.substr(0, std::min<size_t>(bytes.size(), 65536)), options.encoding);
  } catch (const Error&) {
    // A character cut at the sample's end: the start is enough.
    sample = platform::Cp1252ToUtf8(bytes.substr(0, 65536));
  }
  // The quote: the one that opens values.
  size_t doubles = 0, singles = 0;
  for (size_t i = 0; i < sample.size(); ++i) {
    const bool opens = i == 0 || sample[i - 1] == '\n' || sample[i - 1] == ';' ||
                       sample[i - 1] == ',' || sample[i - 1] == '\t' || sample[i - 1] == '|';
    if (opens && sample[i] == '"') ++doubles;
    if (opens && sample[i] == '\'') ++singles;
  }
  options.quote = singles > doubles * 2 + 2 ? '\'' : '"';
  // The delimiter that gives the most rows of the header's width, then the
  // widest header.
  int best = -1;
  for (char delimiter : {';', ',', '\t', '|'}) {
    const std::vector<ImportRow> rows = CutRows(sample, delimiter, options.quote, 30);
    if (rows.empty() || rows[0].cells.size() < 2) continue;
    int same = 0;
    for (const ImportRow& r : rows) same += r.cells.size() == rows[0].cells.size();
    const int score = same * 1000 + static_cast<int>(rows[0].cells.size());
    if (score > best) {
      best = score;
      options.delimiter = delimiter;
    }
  }
  return options;
}

ImportTable ReadDelimitedText(const std::string& bytes, const TextOptions& options) {
  const std::string text = DecodeText(bytes, options.encoding);
  ImportTable table =
      FromSheet(SourceFormat::Text, CutRows(text, options.delimiter, options.quote));
  table.text = options;
  return table;
}

ImportTable ReadImportFile(const std::string& path, const TextOptions* text) {
  if (platform::DirectoryExists(path))
    throw Error(Subst("\"%s\" est un répertoire, pas un fichier.", {path}));
  if (!platform::FileExists(path)) throw Error(Subst("Le fichier \"%s\" est introuvable.", {path}));
  std::string head;
  {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
      const int err = errno;
      throw Error(
          Subst("Impossible d'ouvrir \"%s\". %s", {path, platform::SystemErrorMessage(err)}));
    }
    char buffer[4096];
    head.assign(buffer, std::fread(buffer, 1, sizeof buffer, f));
    std::fclose(f);
  }
  switch (DetectFormat(path, head)) {
    case SourceFormat::Xls:
      return ReadXls(path);
    case SourceFormat::Xlsx:
      return ReadXlsx(path);
    case SourceFormat::Ods:
      return ReadOds(path);
    case SourceFormat::Tellico:
      if (head.rfind("PK", 0) == 0) {
        ZipEntries zip(path);
        if (!zip.Has("tellico.xml"))
          throw Error(Subst("Le fichier \"%s\" ne contient pas de collection Tellico.", {path}));
        return ReadXml(zip.Read("tellico.xml"), path);
      }
      return ReadXml(ReadWhole(path), path);
    case SourceFormat::Packet:
    case SourceFormat::GCstar:
      return ReadXml(ReadWhole(path), path);
    case SourceFormat::Text:
      break;
  }
  const std::string bytes = ReadWhole(path);
  const TextOptions options = text ? *text : DetectTextOptions(bytes);
  return ReadDelimitedText(bytes, options);
}

}  // namespace kvn::importing
