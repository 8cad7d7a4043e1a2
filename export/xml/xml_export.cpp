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
  return Charset::Encoded;
}

bool TQExportXML::Holds(char32_t cp) {
  switch (m_charset) {
    case Charset::References: return cp < 0x80;
    case Charset::Utf8: return true;
    case Charset::Encoded: return m_encoder->CanHold(cp);
  }
  return false;
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
      const char32_t cp = platform::Cp1252ToUnicode(b);
      if (Holds(cp))
        platform::AppendUtf8(out, cp);
      else
        AppendReference(out, cp);
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
    } else {
      // A name has no references: a letter the file cannot hold is "_".
      const char32_t cp = platform::Cp1252ToUnicode(b);
      if (m_charset != Charset::Encoded || m_encoder->CanHold(cp))
        platform::AppendUtf8(name, cp);
      else
        name += '_';
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
  m_encoder.reset();
  if (m_charset == Charset::Encoded) m_encoder = std::make_unique<platform::TextEncoder>(Options.Encoding);
  TQExportText::BeginExport();
  // The whole file, declaration included, is written in the encoding named.
  Writer()->SetEncoder(m_encoder.get());
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
  // The field descriptions are part of the packet, captions or not.
  if (!AllowCaptions) WriteCaptionRow();
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
  if (m_encoder && Writer()) {
    Writer()->SetEncoder(nullptr);
    Writer()->Write(m_encoder->Finish());
  }
  TQExportText::EndExport();
}

}  // namespace kvn::exporting
