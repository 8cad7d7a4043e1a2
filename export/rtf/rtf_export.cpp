#include "export/rtf/rtf_export.h"

#include <cmath>
#include <cstdio>

#include "export/column_fit.h"
#include "platform/codepage.h"

namespace kvn::exporting {

namespace {

// A character past ASCII: a Windows-1252 one as its byte (\'e9); any other
// as \uN (a signed 16-bit number, two for a character past U+FFFF) with "?"
// for readers that know no Unicode.
void AppendRtfCharacter(std::string& out, char32_t cp) {
  char hex[16];
  const char byte = platform::Cp1252FromUnicode(cp);
  if (byte != '?') {
    std::snprintf(hex, sizeof hex, "\\'%02x", static_cast<unsigned char>(byte));
    out += hex;
    return;
  }
  const auto unit = [&](uint32_t u) {
    std::snprintf(hex, sizeof hex, "\\u%d?",
                  static_cast<int>(static_cast<int16_t>(static_cast<uint16_t>(u))));
    out += hex;
  };
  if (cp >= 0x10000) {
    unit(0xD800 + ((cp - 0x10000) >> 10));
    unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
  } else {
    unit(cp);
  }
}

}  // namespace

std::string RtfHighCharacters(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80)
      out += text[i++];
    else
      AppendRtfCharacter(out, platform::DecodeUtf8(text, i));
  }
  return out;
}

std::string TQExportRTF::EscapeText(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 4);
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (static_cast<unsigned char>(c) >= 0x80) {
      AppendRtfCharacter(out, platform::DecodeUtf8(text, i));
      continue;
    }
    ++i;
    if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n') {
      // Other controls (a NUL left by another program) are no text of RTF.
    } else {
      out += c;
    }
  }
  return out;
}

void TQExportRTF::GetColumnOptions(ColumnOptions& o) const {
  TQExportFormatText::GetColumnOptions(o);
  o.ColumnsWidth = &ColumnsWidth;
  o.ColumnsAlign = &ColumnsAlign;
}

std::unique_ptr<TQExportWriter> TQExportRTF::CreateWriter(platform::Stream& stream) {
  return std::make_unique<TQRTFWriter>(this, stream);
}

std::string TQExportRTF::StyleWords(const Font& font) {
  std::string words;
  if (font.bold) words += "\\b";
  if (font.italic) words += "\\i";
  if (font.underline) words += "\\ul";
  if (font.strikeOut) words += "\\strike";
  return words;
}

void TQExportRTF::BeginExport() {
  TQExportFormatText::BeginExport();
  TQRTFWriter& w = Rtf();
  w.WriteDocStart();
  w.WriteHeader();
  w.AddFont("nil", Options.HeaderFont.name);
  w.AddFont("nil", Options.DefaultFont.name);
  w.WriteFontTable();
  w.AddColor(0, 0, 0);
  w.WriteColorTable();
  w.GetFontText(Options.DefaultFont, true);
  if (Options.PageOrientation == TQExportPageOrientation::poLandscape) {
    w.WriteLn("\\landscape");
    w.WriteLn("\\paperw16838");
    w.WriteLn("\\paperh11906");
  } else {
    w.WriteLn("\\paperw11906");
    w.WriteLn("\\paperh16838");
  }
  // Header lines are the user's RTF, written as they are; their accents are
  // written the way RTF readers expect them.
  for (const auto& line : Header) {
    w.WriteLn(RtfHighCharacters(line));
    w.WritePar();
  }
  w.WritePar();
  // One row definition, which every row reuses: each column's right edge in
  // twips, from its width in characters of the header font's "X". A table
  // wider than the page's text (the paper less the default margins of 1800
  // twips) shares that width: the readers wrap the texts inside the cells.
  std::string row = "\\trowd\\trql\\trgaph0\\trleft36\r\n";
  const int x = XWidthPixels(Options.HeaderFont);
  const int paper = Options.PageOrientation == TQExportPageOrientation::poLandscape ? 16838 : 11906;
  std::vector<ColumnFit> fits(Columns().Count());
  for (size_t i = 0; i < fits.size(); ++i) {
    const TQExportColumn& c = Columns()[i];
    fits[i].natural = c.Width * x * 15 + 10;
    // Numbers and dates take at most eight characters ("01:30:58"); texts
    // start at ten and wrap.
    fits[i].whole = c.IsNumericOrDate;
    fits[i].least = (fits[i].whole ? 8 : 10) * x * 15 + 10;
  }
  const std::vector<double> widths = FitColumns(fits, paper - 2 * 1800 - 36, 4 * x * 15 + 10);
  double edge = 36;
  for (size_t i = 0; i < Columns().Count(); ++i) {
    edge += widths[i];
    row += "\\clbrdrl\\brdrth \\clbrdrr\\brdrth \\clbrdrt\\brdrth \\clbrdrb\\brdrth\r\n";
    row += "\\cellx" + std::to_string(static_cast<int>(std::floor(edge))) + "\r\n";
  }
  w.Write(row);
}

std::string TQExportRTF::GetColCaption(int index) {
  const std::string words = StyleWords(Options.HeaderFont);
  return "\\pard\\intbl\\li30\\ri30{" + words + " " + TQExportFormatText::GetColCaption(index) +
         "}\\cell";
}

void TQExportRTF::WriteCaptionRow() {
  TQRTFWriter& w = Rtf();
  w.GetFontText(Options.HeaderFont, true);
  w.WriteLn(GetCaptionRow() + "\\row");
}

void TQExportRTF::BeforeExport() {
  Rtf().GetFontText(Options.DefaultFont, true);
}

void TQExportRTF::GetColData(TQExportCol& col, std::string& text) {
  // A CR LF inside a value is a paragraph of the cell; a lone LF or CR a line
  // break.
  std::string value;
  value.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      value += " \\par ";
      ++i;
    } else if (text[i] == '\n' || text[i] == '\r') {
      value += "\\line ";
    } else {
      value += text[i];
    }
  }
  const TQExportColumn& column = Columns()[static_cast<size_t>(col.ColumnIndex)];
  std::string words = StyleWords(Options.DefaultFont);
  if (!words.empty()) words += ' ';
  text = "\\pard\\intbl\\li30\\ri30" + Writer()->AlignToStr(column.ColAlign) + "{" + words + value +
         "}\\cell";
}

void TQExportRTF::WriteDataRow() {
  Writer()->WriteLn(GetDataRow(true) + "\\row");
}

void TQExportRTF::EndExport() {
  TQRTFWriter& w = Rtf();
  w.WriteLn("\\pard");
  w.WritePar();
  for (const auto& line : Footer) {
    w.WritePar();
    w.WriteLn(RtfHighCharacters(line));
  }
  w.WriteDocEnd();
  TQExportFormatText::EndExport();
}

}  // namespace kvn::exporting
