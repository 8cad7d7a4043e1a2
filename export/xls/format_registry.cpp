#include "export/xls/format_registry.h"

#include <unordered_map>

#include "platform/strings.h"

namespace kvn::exporting {

namespace {

void AppendFontKey(std::string& key, const TxlsFont& f) {
  key += std::to_string(f.Size);
  key += '/';
  for (TxlsFontStyle s : {xfsBold, xfsItalic, xfsStrikeOut}) key += f.Style.Has(s) ? '1' : '0';
  key += static_cast<char>('A' + f.Color);
  key += static_cast<char>('A' + f.Script);
  key += static_cast<char>('A' + f.Underline);
  key += std::to_string(f.Charset);
  key += '/';
  key += f.Name;
}

std::string FontKey(const TxlsFont& f) {
  std::string key;
  AppendFontKey(key, f);
  return key;
}

// Everything two equal XFs share; the text and the font name come last and are
// length-prefixed so no two different XFs give the same key.
std::string XFormatKey(const TxlsXFormat& x) {
  std::string key;
  for (const TxlsBorder* b : {&x.Borders.Left, &x.Borders.Right, &x.Borders.Top, &x.Borders.Bottom,
                              &x.Borders.DiagDown, &x.Borders.DiagUp}) {
    key += static_cast<char>('A' + b->Style);
    key += static_cast<char>('A' + b->Color);
  }
  key += static_cast<char>('A' + x.Fill.Background);
  key += static_cast<char>('A' + x.Fill.Pattern);
  key += static_cast<char>('A' + x.Fill.Foreground);
  key += static_cast<char>('A' + x.Alignment.Horizontal);
  key += static_cast<char>('A' + x.Alignment.Vertical);
  key += x.Wrap ? '1' : '0';
  if (x.Format) {
    key += 'F' + std::to_string(x.Format->Text.size()) + ':' + x.Format->Text;
  } else {
    key += '-';
  }
  if (x.Font) {
    key += 'T';
    AppendFontKey(key, *x.Font);
  } else {
    key += '-';
  }
  return key;
}

}  // namespace

int XlsFormatRegistry::RegisterFormat(const TxlsFont& dataFont, std::string_view text,
                                      const TxlsFormat* f) {
  std::string_view formatText = text.empty() ? std::string_view("General") : text;
  const bool general = formatText == "General";
  if (general && !f) return kDefaultXF;

  // Candidates, owned here until they are kept.
  std::unique_ptr<TxlsTextFormat> format;
  if (!general) {
    format = std::make_unique<TxlsTextFormat>();
    format->Text = std::string(formatText);
  }
  std::unique_ptr<TxlsFont> font;
  auto xf = std::make_unique<TxlsXFormat>();
  xf->Format = format.get();
  if (f) {
    if (!f->Font.SameValues(dataFont)) {
      font = std::make_unique<TxlsFont>();
      font->Assign(f->Font);
    }
    xf->Font = font.get();
    xf->Borders = f->Borders;
    xf->Fill = f->Fill;
    xf->Alignment = f->Alignment;
    xf->Wrap = f->Wrap;
  }

  std::string key = XFormatKey(*xf);
  if (auto it = m_xfByKey.find(key); it != m_xfByKey.end()) return it->second;

  if (font) {
    std::string fk = FontKey(*font);
    if (auto it = m_fontByKey.find(fk); it != m_fontByKey.end()) {
      xf->Font = it->second;
    } else {
      font->Index = ++m_lastFont;
      xf->Font = font.get();
      m_fontByKey.emplace(std::move(fk), font.get());
      m_fonts.push_back(std::move(font));
    }
  }
  if (format) {
    if (auto it = m_formatByText.find(format->Text); it != m_formatByText.end()) {
      xf->Format = it->second;
    } else {
      format->Index = ++m_lastFormat;
      xf->Format = format.get();
      m_formatByText.emplace(format->Text, format.get());
      m_formats.push_back(std::move(format));
    }
  }
  xf->Index = ++m_lastXF;
  m_xfByKey.emplace(std::move(key), xf->Index);
  m_xformats.push_back(std::move(xf));
  return m_lastXF;
}

const TxlsXFormat* XlsFormatRegistry::XFormat(int index) const {
  if (index <= kDefaultXF || index > m_lastXF) return nullptr;
  return m_xformats[static_cast<size_t>(index - kDefaultXF - 1)].get();
}

void XlsFormatRegistry::AddFieldLink(int sheet, std::string_view fieldName, int xf) {
  m_fieldLinks.push_back({sheet, std::string(fieldName), xf});
}

bool XlsFormatRegistry::HasFieldLink(int sheet, std::string_view fieldName) const {
  for (const auto& l : m_fieldLinks)
    if (l.Sheet == sheet && platform::EqualsNoCase(l.FieldName, fieldName)) return true;
  return false;
}

int XlsFormatRegistry::FieldLink(int sheet, std::string_view fieldName) const {
  for (const auto& l : m_fieldLinks)
    if (l.Sheet == sheet && platform::EqualsNoCase(l.FieldName, fieldName)) return l.XF;
  return kDefaultXF;
}

void XlsFormatRegistry::AddColRowLink(int sheet, int key, int xf) {
  m_colRowLinks.push_back({sheet, key, xf});
}

int XlsFormatRegistry::ColRowLink(int sheet, int key) const {
  for (const auto& l : m_colRowLinks)
    if (l.Sheet == sheet && l.Key == key) return l.XF;
  return kDefaultXF;
}

}  // namespace kvn::exporting
