// The Rich Text Format writer: the document header, the font table and the
// colour table, with fonts and colours registered late inserted in place.
//
//   {\rtf1\ansi\deff0\deftab720 CR LF
//   {\fonttbl{\f0\fnil Arial;}...} CR LF
//   {\colortbl\red0\green0\blue0;...} CR LF
//   ... document ... }
#pragma once

#include <string>
#include <vector>

#include "export/helpers.h"
#include "export/writer.h"

namespace kvn::exporting {

struct TRTFHeader {
  int version = 1;
  int defaultFont = 0;
  int tabWidth = 720;
  std::string charset = "ansi";
};

struct TRTFFontTableItem {
  int index = 0;
  std::string family;
  std::string name;
  // "{\f%d\f%s %s;}"
  std::string Text() const;
};

struct TRTFColorTableItem {
  int red = 0, green = 0, blue = 0;
  // "\red%d\green%d\blue%d;"
  std::string Text() const;
};

class TQRTFWriter : public TQExportWriter {
 public:
  using TQExportWriter::TQExportWriter;

  // "\ql", "\qc", "\qr".
  std::string AlignToStr(TQExportColAlign align) const override;

  void WriteDocStart() { Write("{"); }
  // \rtf1\ansi\deff0\deftab720 and CR LF.
  void WriteHeader();
  void WriteFontTable();
  void WriteColorTable();
  void WriteDocEnd() { Write("}"); }
  void WritePar() { WriteLn("\\par"); }
  void AddFont(const std::string& family, const std::string& name);
  void AddColor(int red, int green, int blue);

  // "\f%d\fs%d" of a font (registered when new); written with CR LF when write is set.
  std::string GetFontText(const Font& font, bool write);
  // "\cbpat%d" (background) or "\cf%d" of a colour (registered when new).
  std::string GetColorText(platform::TColor color, bool background);

  const std::vector<TRTFFontTableItem>& Fonts() const { return m_fonts; }
  const std::vector<TRTFColorTableItem>& Colors() const { return m_colors; }

 private:
  size_t HeaderLength() const;
  size_t FontTableLength() const;
  size_t ColorTableLength() const;
  // Inserts text at a position of the output written so far.
  void InsertAt(size_t position, const std::string& text);

  TRTFHeader m_header;
  std::vector<TRTFFontTableItem> m_fonts;
  std::vector<TRTFColorTableItem> m_colors;
  bool m_tablesWritten = false;
};

// The width in pixels of the letter "X" of a font on a 96-dpi screen, from the
// fonts' metrics (the Windows fonts and their metric-compatible stand-ins), so
// that no display is needed.
int XWidthPixels(const Font& font);

}  // namespace kvn::exporting
