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

void TQExportXML::GetColumnOptions(ColumnOptions& o) const {
  TQExportText::GetColumnOptions(o);
  o.Formats = &Formats;
  o.UserFormats = &UserFormats;
  o.Captions = &Captions;
}

std::string TQExportXML::EscapeText(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x80) {
      // With no encoding named, every character past ASCII is a reference;
      // otherwise the writer writes it in the file's encoding, or as a
      // reference when that encoding lacks it.
      const size_t start = i;
      const char32_t cp = platform::DecodeUtf8(text, i);
      if (m_charset == Charset::References)
        AppendReference(out, cp);
      else
        out.append(text, start, i - start);
      continue;
    }
    ++i;
    switch (c) {
      case '"':
        out += "&quot;";
        continue;
      case '&':
        out += "&amp;";
        continue;
      case '<':
        out += "&lt;";
        continue;
      case '>':
        out += "&gt;";
        continue;
      // Line breaks and tabs as references: a reader keeps them in an
      // attribute value instead of turning them into spaces.
      case '\t':
      case '\r':
      case '\n':
        AppendReference(out, b);
        continue;
      default:
        break;
    }
    // Not a character of XML 1.0, not even as a reference.
    out += b < 0x20 ? '?' : c;
  }
  return out;
}

namespace {
bool IsEncodingName(std::string_view e);
}  // namespace

std::string TQExportXML::TextEncoding() const {
  // A name that is no encoding name is refused by BeginExport, in its words.
  return CharsetOf(Options.Encoding) == Charset::Encoded && IsEncodingName(Options.Encoding)
             ? Options.Encoding
             : std::string("UTF-8");
}

std::string TQExportXML::AttributeName(const std::string& columnName) const {
  std::string name;
  for (size_t i = 0; i < columnName.size();) {
    const char c = columnName[i];
    if (static_cast<unsigned char>(c) < 0x80) {
      ++i;
      const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
      name += allowed ? c : '_';
      continue;
    }
    // A name has no references: a letter the file cannot hold is "_".
    const size_t start = i;
    const char32_t cp = platform::DecodeUtf8(columnName, i);
    TQExportXML& self = const_cast<TQExportXML&>(*this);
    if (m_charset == Charset::Encoded && self.Encoder() && !self.Encoder()->CanHold(cp))
      name += '_';
    else
      name.append(columnName, start, i - start);
  }
  // A name starts with a letter or "_".
  if (name.empty() || (name[0] >= '0' && name[0] <= '9') || name[0] == '-' || name[0] == '.')
    name.insert(0, "_");
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
    throw Error(
        platform::Subst("Version XML refusée : « %s » (1.0 ou 1.1 attendu).", {Options.Version}));
  if (!Options.Encoding.empty() && !IsEncodingName(Options.Encoding))
    throw Error(platform::Subst("Nom d'encodage XML refusé : « %s ».", {Options.Encoding}));
  m_charset = CharsetOf(Options.Encoding);
  TQExportText::BeginExport();
  m_names.clear();
  for (size_t i = 0; i < Columns().Count(); ++i)
    m_names.push_back(AttributeName(Columns()[i].Name));
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
  return "FieldName=\"" + name + "\" DisplayLabel=\"" + name + "\" FieldType=\"" +
         ColTypeName(c.ColType) + "\" FieldClass=\"TField\"";
}

void TQExportXML::WriteCaptionRow() {
  TQExportWriter& w = *Writer();
  w.WriteLn("<METADATA>");
  w.WriteLn("<FIELDS>");
  for (size_t i = 0; i < Columns().Count(); ++i)
    w.WriteLn("<FIELD " + GetColCaption(static_cast<int>(i)) + "/>");
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

void TQExportXML::WriteDataRow() {
  Writer()->WriteLn("<ROW " + GetDataRow(true) + "/>");
}

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
  if (Encoder() && Writer()) {
    Writer()->SetEncoder(nullptr);
    Writer()->Write(Encoder()->Finish());
  }
  TQExportText::EndExport();
}

}  // namespace kvn::exporting
