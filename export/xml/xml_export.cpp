#include "export/xml/xml_export.h"

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/strings.h"

namespace kvn::exporting {

namespace {

void AppendReference(std::string& out, char32_t cp) {
  out += "&#";
  out += std::to_string(static_cast<uint32_t>(cp));
  out += ';';
}

}  // namespace

TQExportXML::Charset TQExportXML::CharsetOf(std::string_view encoding) {
  const std::string e = platform::AsciiLowerCopy(platform::Trim(encoding));
  if (e.empty()) return Charset::References;
  if (e == "utf-8" || e == "utf8") return Charset::Utf8;
  if (e == "iso-8859-1" || e == "iso8859-1" || e == "latin1" || e == "latin-1" || e == "l1" ||
      e == "iso_8859-1")
    return Charset::Latin1;
  return Charset::Raw;
}

void TQExportXML::GetColumnOptions(ColumnOptions& o) const {
  TQExportText::GetColumnOptions(o);
  o.Formats = &Formats;
  o.UserFormats = &UserFormats;
  o.Captions = &Captions;
}

std::string TQExportXML::EscapeText(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "&quot;"; continue;
      case '&': out += "&amp;"; continue;
      case '<': out += "&lt;"; continue;
      case '>': out += "&gt;"; continue;
      // Line breaks and tabs as references: a reader keeps them in an
      // attribute value instead of turning them into spaces.
      case '\t':
      case '\r':
      case '\n': AppendReference(out, b); continue;
      default: break;
    }
    if (b < 0x20) {
      // Not a character of XML 1.0, not even as a reference.
      out += '?';
    } else if (b < 0x80) {
      out += c;
    } else {
      switch (m_charset) {
        case Charset::References: AppendReference(out, platform::Cp1252ToUnicode(b)); break;
        case Charset::Utf8: platform::AppendUtf8(out, platform::Cp1252ToUnicode(b)); break;
        case Charset::Latin1:
          // Latin-1 holds the same characters from 0xA0 on, not the
          // Windows-1252 punctuation below.
          if (b < 0xA0)
            AppendReference(out, platform::Cp1252ToUnicode(b));
          else
            out += c;
          break;
        case Charset::Raw: out += c; break;
      }
    }
  }
  return out;
}

std::string TQExportXML::AttributeName(const std::string& columnName) const {
  std::string name;
  for (char c : columnName) {
    const auto b = static_cast<unsigned char>(c);
    const bool ascii = b < 0x80;
    const bool allowed = !ascii || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                         (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
    if (!allowed) {
      name += '_';
    } else if (ascii) {
      name += c;
    } else if (m_charset == Charset::References || m_charset == Charset::Utf8) {
      // The file is UTF-8 text: the name is too.
      platform::AppendUtf8(name, platform::Cp1252ToUnicode(b));
    } else if (m_charset == Charset::Latin1 && b < 0xA0) {
      name += '_';
    } else {
      name += c;
    }
  }
  // A name starts with a letter or "_".
  if (name.empty() || (name[0] >= '0' && name[0] <= '9') || name[0] == '-' || name[0] == '.') name.insert(0, "_");
  return name;
}

namespace {

// "1." and digits.
bool IsXmlVersion(std::string_view v) {
  if (v.size() < 3 || v.substr(0, 2) != "1.") return false;
  return v.find_first_not_of("0123456789", 2) == std::string_view::npos;
}

// A letter, then letters, digits, ".", "_" or "-".
bool IsEncodingName(std::string_view e) {
  const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (e.empty() || !letter(e[0])) return false;
  for (char c : e)
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '.' && c != '_' && c != '-') return false;
  return true;
}

}  // namespace

void TQExportXML::BeginExport() {
  // Both go into the declaration as they are: a reader refuses anything else.
  if (!IsXmlVersion(Options.Version))
    throw Error(platform::Subst("Version XML refusée : « %s » (1.0 ou 1.1 attendu).",
                                {platform::Cp1252ToUtf8(Options.Version)}));
  if (!Options.Encoding.empty() && !IsEncodingName(Options.Encoding))
    throw Error(platform::Subst("Nom d'encodage XML refusé : « %s ».", {platform::Cp1252ToUtf8(Options.Encoding)}));
  m_charset = CharsetOf(Options.Encoding);
  TQExportText::BeginExport();
  m_names.clear();
  for (size_t i = 0; i < Columns().Count(); ++i) m_names.push_back(AttributeName(Columns()[i].Name));
  std::string declaration = "<?xml version=\"" + Options.Version + "\" ";
  if (!Options.Encoding.empty()) declaration += "encoding=\"" + Options.Encoding + "\" ";
  declaration += std::string("standalone=\"") + (Options.StandAlone ? "yes" : "no") + "\"?>";
  Writer()->WriteLn(declaration);
  Writer()->WriteLn("<DATAPACKET Version=\"2.0\">");
  m_packetOpen = true;
  m_rowDataOpen = false;
}

std::string TQExportXML::GetColCaption(int index) {
  const TQExportColumn& c = Columns()[static_cast<size_t>(index)];
  const std::string& name = m_names[static_cast<size_t>(index)];
  return "FieldName=\"" + name + "\" DisplayLabel=\"" + name + "\" FieldType=\"" + ColTypeName(c.ColType) +
         "\" FieldClass=\"TField\"";
}

void TQExportXML::WriteCaptionRow() {
  TQExportWriter& w = *Writer();
  w.WriteLn("<METADATA>");
  w.WriteLn("<FIELDS>");
  for (size_t i = 0; i < Columns().Count(); ++i) w.WriteLn("<FIELD " + GetColCaption(static_cast<int>(i)) + "/>");
  w.WriteLn("</FIELDS>");
  w.WriteLn("</METADATA>");
}

void TQExportXML::BeforeExport() {
  TQExportText::BeforeExport();
  Writer()->WriteLn("<ROWDATA>");
  m_rowDataOpen = true;
}

std::string TQExportXML::GetDataRow(bool formatted) {
  std::string row;
  TQExportRow& r = Row();
  for (size_t i = 0; i < r.Count(); ++i) {
    r[i].GetExportedValue(formatted, m_value);
    if (i > 0) row += ' ';
    row += m_names[static_cast<size_t>(r[i].ColumnIndex)];
    row += "=\"";
    row += m_value;
    row += '"';
  }
  return row;
}

void TQExportXML::WriteDataRow() { Writer()->WriteLn("<ROW " + GetDataRow(true) + "/>"); }

void TQExportXML::ClosePacket() {
  if (m_rowDataOpen) Writer()->WriteLn("</ROWDATA>");
  m_rowDataOpen = false;
  if (m_packetOpen) Writer()->WriteLn("</DATAPACKET>");
  m_packetOpen = false;
}

void TQExportXML::AfterExport() {
  ClosePacket();
  TQExportText::AfterExport();
}

void TQExportXML::EndExport() {
  // A stopped export is closed as a complete packet too.
  ClosePacket();
  TQExportText::EndExport();
}

}  // namespace kvn::exporting
