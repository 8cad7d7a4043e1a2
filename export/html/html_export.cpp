#include "export/html/html_export.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/ini_file.h"
#include "platform/strings.h"

namespace kvn::exporting {

using platform::TColor;

namespace {

// A colour written on the web as #rrggbb, held as the platform does (0x00BBGGRR).
constexpr TColor Web(uint32_t rrggbb) {
  return ((rrggbb & 0xFF) << 16) | (rrggbb & 0xFF00) | ((rrggbb >> 16) & 0xFF);
}

struct Scheme {
  THTMLTemplate id;
  TColor background, link, vlink, alink, text, headBg, headText, evenBg, rowText, oddBg;
};

const Scheme kSchemes[] = {
    {THTMLTemplate::htBW, Web(0xffffff), Web(0xff0000), Web(0x800080), Web(0x0000ff), Web(0x000000),
     Web(0x000000), Web(0xffffff), Web(0xffffff), Web(0x000000), Web(0xf3f3f3)},
    {THTMLTemplate::htClassic, Web(0x333399), Web(0x69ef7d), Web(0xff00ff), Web(0x00ff00),
     Web(0xffffff), Web(0xff0000), Web(0xffffff), Web(0x007aec), Web(0xffffff), Web(0x006bce)},
    {THTMLTemplate::htColorFul, Web(0x339966), Web(0x0066cc), Web(0x923fc1), Web(0x0000ff),
     Web(0xffffff), Web(0xcc0033), Web(0xffffff), Web(0xffffff), Web(0x000000), Web(0xfaf100)},
    {THTMLTemplate::htGray, Web(0xffffff), Web(0xff0000), Web(0x800080), Web(0x0000ff),
     Web(0x000000), Web(0x808080), Web(0xffffff), Web(0xffffff), Web(0x000000), Web(0xeeeeee)},
    {THTMLTemplate::htMS_Money, Web(0xffffff), Web(0xff0000), Web(0x800080), Web(0x0000ff),
     Web(0x000000), Web(0xcec6b5), Web(0x000000), Web(0xdee7de), Web(0x000000), Web(0xfffbf0)},
    {THTMLTemplate::htMurky, Web(0x317676), Web(0xffe760), Web(0xcccc39), Web(0xffff00),
     Web(0xffffff), Web(0x3a9393), Web(0xffffff), Web(0x276262), Web(0xffe760), Web(0x367800)},
    {THTMLTemplate::htOlive, Web(0xffffff), Web(0xff0000), Web(0x800080), Web(0x0000ff),
     Web(0x5f605f), Web(0xcfc890), Web(0x000000), Web(0xffffff), Web(0x5f605f), Web(0xffffcf)},
    {THTMLTemplate::htPlain, Web(0xffffff), Web(0xff0000), Web(0x800080), Web(0x0000ff),
     Web(0x000000), Web(0x068fe6), Web(0xffffff), Web(0xffffff), Web(0x000000), Web(0xfffcd9)},
    {THTMLTemplate::htSimple, Web(0xffffff), Web(0xff0000), Web(0x800080), Web(0x0000ff),
     Web(0x004080), Web(0x336699), Web(0xffffff), Web(0xffffff), Web(0x000000), Web(0xffffcf)},
};

std::string WithExtension(const std::string& fileName, const std::string& extension) {
  return fileName.substr(0, fileName.size() - platform::ExtractFileExt(fileName).size()) +
         extension;
}

std::string TwoDigits(int n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", n);
  return buf;
}

}  // namespace

std::string TQHTMLWriter::AlignToStr(TQExportColAlign align) const {
  switch (align) {
    case TQExportColAlign::ecaLeft:
      return "Left";
    case TQExportColAlign::ecaCenter:
      return "Center";
    case TQExportColAlign::ecaRight:
      return "Right";
  }
  return "";
}

std::string HtmlColor(TColor color) {
  // System colours are resolved first, so that they give a real colour.
  const TColor c = platform::ColorToRGB(color);
  const uint32_t swapped = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%.6x", swapped);
  return buf;
}

std::string PageFileName(const std::string& fileName, int page) {
  const std::string ext = platform::ExtractFileExt(fileName);
  return fileName.substr(0, fileName.size() - ext.size()) + TwoDigits(page) + ext;
}

namespace {

// A file's address in a link written in fromFile: relative to that file's
// folder, its bytes outside the plain ones percent-encoded (file names are
// UTF-8; a page in any encoding then holds a working link).
std::string Href(const std::string& target, const std::string& fromFile) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path to = fs::absolute(target, ec).lexically_normal();
  const fs::path base = fs::absolute(fromFile, ec).parent_path().lexically_normal();
  fs::path relative = to.lexically_relative(base);
  if (relative.empty()) relative = to;
  const std::string text = relative.generic_string();
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      out += static_cast<char>(c);
    } else {
      char code[4];
      std::snprintf(code, sizeof code, "%%%02X", c);
      out += code;
    }
  }
  return out;
}

}  // namespace

TQExportHTML::TQExportHTML() {
  Header = {"<br>"};
  Footer = {"<br>"};
  SetHTMLTemplate(THTMLTemplate::htClassic);
}

TQExportHTML::~TQExportHTML() = default;

void TQExportHTML::SetHTMLTemplate(THTMLTemplate t) {
  m_template = t;
  for (const Scheme& s : kSchemes) {
    if (s.id != t) continue;
    HTMLOptions.BackgroundColor = s.background;
    HTMLOptions.LinkColor = s.link;
    HTMLOptions.VLinkColor = s.vlink;
    HTMLOptions.ALinkColor = s.alink;
    HTMLOptions.TextFont.color = s.text;
    HTMLOptions.TextFont.name = "Arial";
    TableOptions.HeadersRowBgColor = s.headBg;
    TableOptions.HeadersRowFontColor = s.headText;
    TableOptions.TableBgColor = s.evenBg;
    TableOptions.TableFontColor = s.rowText;
    TableOptions.OddRowBgColor = s.oddBg;
  }
}

std::vector<TQExportHTML::TemplateColor> TQExportHTML::TemplateColors() {
  return {
      {"HTML options", "Background-color", &HTMLOptions.BackgroundColor},
      {"HTML options", "Font-color", &HTMLOptions.TextFont.color},
      {"HTML options", "LinkColor", &HTMLOptions.LinkColor},
      {"HTML options", "VLinkColor", &HTMLOptions.VLinkColor},
      {"HTML options", "ALinkColor", &HTMLOptions.ALinkColor},
      {"Table options", "Header-bgcolor", &TableOptions.HeadersRowBgColor},
      {"Table options", "Header-color", &TableOptions.HeadersRowFontColor},
      {"Table options", "Table-color", &TableOptions.TableFontColor},
      {"Table options", "Even_row-bgcolor", &TableOptions.TableBgColor},
      {"Table options", "Odd_row-bgcolor", &TableOptions.OddRowBgColor},
      {"Table options", "Border-color", &TableOptions.BorderColor},
  };
}

void TQExportHTML::SaveTemplateToFile(const std::string& fileName) {
  platform::IniFile ini(fileName);
  ini.BeginUpdate();
  for (const TemplateColor& c : TemplateColors()) {
    ini.WriteInteger(c.section, c.key, *c.color);
    // The font's name follows its colour.
    if (c.color == &HTMLOptions.TextFont.color)
      ini.WriteString("HTML options", "Font-family", HTMLOptions.TextFont.name);
  }
  ini.EndUpdate();
}

void TQExportHTML::LoadTemplateFromFile(const std::string& fileName) {
  platform::IniFile ini(fileName);
  for (const TemplateColor& c : TemplateColors())
    *c.color = static_cast<TColor>(ini.ReadInteger(c.section, c.key, *c.color));
  HTMLOptions.TextFont.name =
      ini.ReadString("HTML options", "Font-family", HTMLOptions.TextFont.name);
}

void TQExportHTML::GetColumnOptions(ColumnOptions& o) const {
  TQExportFormatText::GetColumnOptions(o);
  o.ColumnsAlign = &ColumnsAlign;
}

std::unique_ptr<TQExportWriter> TQExportHTML::CreateWriter(platform::Stream& stream) {
  return std::make_unique<TQHTMLWriter>(this, stream);
}

std::string TQExportHTML::EscapeText(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 8);
  bool lineBreak = false;  // the previous character was a CR or LF that gave a <br>
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      // One <br> for a CR LF pair.
      if (!lineBreak) out += "<br>";
      lineBreak = !lineBreak;
      continue;
    }
    lineBreak = false;
    switch (c) {
      case '"':
        out += "&quot;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        // A NUL or another control left by another program is no character
        // of a page: the replacement character shows where it was.
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
          out += "&#xFFFD;";
        else
          out += c;
        break;
    }
  }
  return out;
}

std::vector<std::string> TQExportHTML::FontLines() const {
  std::vector<std::string> lines;
  if (!HTMLOptions.DefaultFontName)
    lines.push_back("font-family: " + HTMLOptions.TextFont.name + ";");
  if (!HTMLOptions.DefaultFontSize)
    lines.push_back("font-size: " + std::to_string(HTMLOptions.TextFont.size) + "pt;");
  return lines;
}

void TQExportHTML::BeginExport() {
  TQExportFormatText::BeginExport();
  m_pages.clear();
  m_pageLinks.clear();
  m_headWritten = false;
  m_rowInPage = 0;
  m_cssWritten = false;
  m_framed = platform::ColorToRGB(TableOptions.BorderColor) != platform::clWhite;
  const bool tablePicture = !TableOptions.BackgroundFileName.empty() &&
                            platform::FileExists(TableOptions.BackgroundFileName);
  std::vector<std::string>& s = m_styleSheet;
  s.clear();
  auto fonts = [&](int indent) {
    for (const auto& l : FontLines())
      s.push_back(std::string(static_cast<size_t>(indent), ' ') + l);
  };
  auto block = [&](const std::string& head, TColor background, TColor color) {
    s.push_back(head);
    if (!tablePicture) s.push_back("            background-color: " + HtmlColor(background) + ";");
    s.push_back("            color: " + HtmlColor(color) + ";");
  };
  // Links in the style sheet are relative to the file that holds it.
  if (UsingCSS == TUsingCSS::usExternal && m_fileOutput && CSSFileName.empty())
    CSSFileName = WithExtension(PageMode() ? PageFileName(FileName, 1) : FileName, ".css");
  const std::string sheetFile = UsingCSS == TUsingCSS::usExternal ? CSSFileName : FileName;
  s.push_back("  BODY { background: " + HtmlColor(HTMLOptions.BackgroundColor) + ";" +
              " color: " + HtmlColor(HTMLOptions.TextFont.color) + ";");
  fonts(9);
  if (!HTMLOptions.BackgroundFileName.empty())
    s.push_back("background-image: url(" + LinkTo(HTMLOptions.BackgroundFileName, sheetFile) + ")");
  s.push_back("  }");
  s.push_back("  A:link { color: " + HtmlColor(HTMLOptions.LinkColor) + " }");
  s.push_back("  A:visited { color: " + HtmlColor(HTMLOptions.VLinkColor) + " }");
  s.push_back("  A:active { color: " + HtmlColor(HTMLOptions.ALinkColor) + " }");
  if (AllowCaptions) {
    block("  .ThRows { ", TableOptions.HeadersRowBgColor, TableOptions.HeadersRowFontColor);
    s.push_back("            font-weight: bold; text-align: center;");
    fonts(12);
    s.push_back("  }");
  }
  block("  .TrRows {", TableOptions.TableBgColor, TableOptions.TableFontColor);
  fonts(12);
  s.push_back("  }");
  block("  .TrOdd  {", TableOptions.OddRowBgColor, TableOptions.TableFontColor);
  fonts(12);
  s.push_back("  }");
  if (m_framed)
    s.push_back("  .TrBC { background-color: " + HtmlColor(TableOptions.BorderColor) + " }");
}

void TQExportHTML::WriteStyle(TQExportWriter& w) {
  if (UsingCSS == TUsingCSS::usInternal) {
    w.WriteLn("<Style type=\"text/css\">");
    for (const auto& l : m_styleSheet) w.WriteLn(l);
    w.WriteLn("</STYLE>");
    return;
  }
  if (!m_fileOutput) return;
  w.WriteLn(" <link rel=\"stylesheet\" type=\"text/css\" href=\"" + Href(CSSFileName, PageFile()) +
            "\">");
}

std::string TQExportHTML::PageFile() const {
  return m_pages.empty() ? FileName : m_pages.back().fileName;
}

std::string TQExportHTML::LinkTo(const std::string& file, const std::string& fromFile) const {
  // A picture that is not a file here (an address) is written as it is.
  if (!m_fileOutput || !platform::FileExists(file)) return file;
  return Href(file, fromFile);
}

void TQExportHTML::WritePageHead() {
  TQExportWriter& w = *Writer();
  if (PageMode()) {
    ClosePage();
    Page page;
    page.fileName = PageFileName(FileName, static_cast<int>(m_pages.size()) + 1);
    platform::FileStream& stream = m_files->Add(page.fileName);
    page.member = m_files->Count() - 1;
    m_pages.push_back(std::move(page));
    w.SetStream(stream);
  }
  if (UsingCSS == TUsingCSS::usExternal && m_fileOutput) {
    if (!m_cssWritten && (!platform::FileExists(CSSFileName) || OverwriteCSSFile)) {
      platform::FileStream& css = m_files->Add(CSSFileName);
      // The sheet is read in its page's encoding.
      for (const auto& l : m_styleSheet) css.WriteString(Encoder()->Encode(l + "\r\n"));
      m_files->Close(m_files->Count() - 1);
      m_cssWritten = true;
    }
  }
  w.WriteLn("<HTML>");
  w.WriteLn("<HEAD>");
  // The bytes are Windows-1252: said so, browsers need not guess.
  w.WriteLn(" <meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + Encoding + "\">");
  w.WriteLn(" <Title>" + Title + "</Title>");
  WriteStyle(w);
  w.WriteLn("</HEAD>");
  w.WriteLn("<BODY>");
  if (PageMode()) m_pages.back().topPos = w.Stream().Position();
  for (const auto& line : Header) w.WriteLn(line);
  if (m_framed) {
    w.WriteLn("<Table cellspacing=0 cellpadding=0 class=\"TrBC\">");
    w.WriteLn("<tr><td>");
  }
  const std::string table = "<Table Border=\"" + std::to_string(TableOptions.Border) +
                            "\" Cellpadding=\"" + std::to_string(TableOptions.CellPadding) +
                            "\" Cellspacing=\"" + std::to_string(TableOptions.CellSpacing) + "\"";
  if (!TableOptions.BackgroundFileName.empty() &&
      platform::FileExists(TableOptions.BackgroundFileName))
    w.WriteLn(table + " Background=\"" + LinkTo(TableOptions.BackgroundFileName, PageFile()) +
              "\">");
  else
    w.WriteLn(table + ">");
  if (AllowCaptions) {
    w.WriteLn("  <tr>");
    for (size_t i = 0; i < Columns().Count(); ++i)
      w.WriteLn("    <td class=\"ThRows\">" + GetColCaption(static_cast<int>(i)) + "</td>");
    w.WriteLn("  </tr>");
  }
  m_headWritten = true;
  m_rowInPage = 0;
}

void TQExportHTML::ClosePage() {
  if (m_pages.empty()) return;
  TQExportWriter& w = *Writer();
  w.WriteLn("</Table>");
  if (m_framed) w.WriteLn("</td></tr></Table>");
  for (const auto& line : Footer) w.WriteLn(line);
  if (PageMode()) m_pages.back().bottomPos = w.Stream().Position();
  w.WriteLn("</BODY>");
  w.WriteLn("</HTML>");
  // A finished page is closed: a set may hold more pages than open files.
  if (PageMode()) m_files->Close(m_pages.back().member);
}

void TQExportHTML::WriteDataRow() {
  // A new page once the page holds its records (counted as written, so a
  // rejected record never leaves rows without a page).
  if (!m_headWritten || (PageMode() && m_rowInPage >= m_maxRecords)) WritePageHead();
  const bool odd = PageMode() ? m_rowInPage % 2 == 0 : (m_recordCounter + 1) % 2 == 1;
  const std::string cls = odd ? "    <td class=\"TrOdd\"" : "    <td class=\"TrRows\"";
  TQExportWriter& w = *Writer();
  std::string lines = "  <tr>\r\n";
  std::string cell;
  for (size_t i = 0; i < Row().Count(); ++i) {
    Row()[i].GetExportedValue(true, cell);
    lines += cls;
    lines += cell;
    lines += "</td>\r\n";
  }
  lines += "  </tr>\r\n";
  w.Write(lines);
  ++m_rowInPage;
}

void TQExportHTML::GetColData(TQExportCol& col, std::string& text) {
  const std::string value = text.empty() ? std::string("&nbsp;") : text;
  const TQExportColumn& column = Columns()[static_cast<size_t>(col.ColumnIndex)];
  TQExportColAlign align = column.ColAlign;
  Font font = HTMLOptions.TextFont;
  const TColor rowBackground =
      m_recordCounter % 2 == 0 ? TableOptions.OddRowBgColor : TableOptions.TableBgColor;
  TColor background = rowBackground;
  DoGetCellParams(m_recordCounter, col.ColumnIndex, value, align, font, background);
  std::string out = " align=" + Writer()->AlignToStr(align);
  std::string style;
  const Font& base = HTMLOptions.TextFont;
  if (background != rowBackground) style += "background-color: " + HtmlColor(background) + "; ";
  if (!platform::EqualsNoCase(font.name, base.name)) style += "font-family: " + font.name + "; ";
  if (font.size != base.size) style += "font-size: " + std::to_string(font.size) + "pt; ";
  if (font.color != base.color) style += "color: " + HtmlColor(font.color) + "; ";
  if (font.bold != base.bold)
    style += std::string("font-weight: ") + (font.bold ? "bold" : "normal") + "; ";
  if (font.italic != base.italic)
    style += std::string("font-style: ") + (font.italic ? "italic" : "normal") + "; ";
  if (font.underline != base.underline)
    style += std::string("text-decoration: ") + (font.underline ? "underline" : "none") + "; ";
  if (!style.empty()) {
    style.resize(style.size() - 2);  // the last semicolon and blank
    out += " style=\"" + style + "\"";
  }
  text = out + ">" + value;
}

void TQExportHTML::AfterExport() {
  // An export without rows still gives a whole page.
  if (!m_headWritten) WritePageHead();
  TQExportWriter& w = *Writer();
  w.WriteLn("</Table>");
  if (m_framed) w.WriteLn("</td></tr></Table>");
  for (const auto& line : Footer) w.WriteLn(line);
  if (PageMode() && !m_pages.empty()) m_pages.back().bottomPos = w.Stream().Position();
  w.WriteLn("</BODY>");
  w.WriteLn("</HTML>");
}

std::string TQExportHTML::NavigationBar(int page, bool top) const {
  const int count = static_cast<int>(m_pages.size());
  const std::string& from = m_pages[static_cast<size_t>(page - 1)].fileName;
  if (m_pageLinks.size() != m_pages.size()) {
    m_pageLinks.clear();
    for (const Page& p : m_pages) m_pageLinks.push_back(Href(p.fileName, m_pages[0].fileName));
  }
  auto name = [&](int n) -> const std::string& { return m_pageLinks[static_cast<size_t>(n - 1)]; };
  auto link = [](const std::string& file, const std::string& text) {
    return "    <td><a href=\"" + file + "\">" + text + "</a></td>\r\n";
  };
  std::string bar;
  if (!top) bar += "<br>\r\n";
  bar += "<Table Border=\"0\" Cellpadding=\"4\" Cellspacing=\"1\">\r\n  <tr>\r\n";
  if (GenerateIndex) bar += link(Href(FileName, from), Navigation.IndexLinkTitle);
  bar += link(name(1), Navigation.FirstLinkTitle);
  // The first page's "prior" and the last page's "next" stay where they are.
  bar += link(name(page == 1 ? 1 : page - 1), Navigation.PriorLinkTitle);
  for (int n = 1; n <= count; ++n) {
    const std::string number = n < 10 ? TwoDigits(n) : std::to_string(n);
    bar += n == page ? "    <td><b>" + number + "</b></td>\r\n" : link(name(n), number);
  }
  bar += link(name(page == count ? count : page + 1), Navigation.NextLinkTitle);
  bar += link(name(count), Navigation.LastLinkTitle);
  bar += "  </tr>\r\n</Table>\r\n";
  if (top) bar += "<br>\r\n";
  return bar;
}

void TQExportHTML::WriteNavigation(int page) {
  Page& p = m_pages[static_cast<size_t>(page - 1)];
  platform::FileStream& s = m_files->Stream(p.member);
  auto insert = [&s](int64_t at, const std::string& bar) {
    // bar is already in the page's encoding.
    s.Flush();
    const int64_t size = s.Size();
    std::string rest(static_cast<size_t>(size - at), '\0');
    s.Seek(at, platform::SeekOrigin::Begin);
    s.ReadBuffer(rest.data(), rest.size());
    s.Seek(at, platform::SeekOrigin::Begin);
    s.WriteString(bar);
    s.WriteString(rest);
  };
  if (Navigation.OnTop && p.topPos >= 0) {
    const std::string bar = Encoder()->Encode(NavigationBar(page, true));
    insert(p.topPos, bar);
    if (Navigation.OnBottom && p.bottomPos >= 0) p.bottomPos += static_cast<int64_t>(bar.size());
  }
  if (Navigation.OnBottom && p.bottomPos >= 0)
    insert(p.bottomPos, Encoder()->Encode(NavigationBar(page, false)));
  m_files->Close(p.member);
}

void TQExportHTML::EndExport() {
  if (m_maxRecords > 0) {
    if (GenerateIndex && m_fileOutput && m_files) {
      TQHTMLWriter index(this, m_files->Stream(0));
      index.SetEncoder(Encoder());
      index.WriteLn("<HTML>");
      index.WriteLn("<HEAD>");
      index.WriteLn(" <meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + Encoding +
                    "\">");
      if (UsingCSS == TUsingCSS::usInternal) {
        WriteStyle(index);
      } else {
        index.WriteLn(" <link rel=\"stylesheet\" type=\"text/css\" href=\"" +
                      Href(CSSFileName, FileName) + "\">");
      }
      index.WriteLn("</HEAD>");
      index.WriteLn("<BODY>");
      index.WriteLn("<UL>");
      for (size_t n = 1; n <= m_pages.size(); ++n) {
        const std::string& file = m_pages[n - 1].fileName;
        const std::string text =
            Navigation.IndexLinkTemplate.empty()
                ? EscapeText(platform::ExtractFileName(file))
                : Navigation.IndexLinkTemplate + TwoDigits(static_cast<int>(n));
        index.WriteLn("<LI><a href=\"" + Href(file, FileName) + "\">" + text + "</a>");
      }
      index.WriteLn("</UL>");
      index.WriteLn("</BODY>");
      index.WriteLn("</HTML>");
    }
    if ((Navigation.OnTop || Navigation.OnBottom) && m_pages.size() > 1)
      for (size_t p = 1; p <= m_pages.size(); ++p) WriteNavigation(static_cast<int>(p));
  }
  TQExportFormatText::EndExport();
}

void TQExportHTML::Execute() {
  if (FileName.empty()) throw Error("fichier de résultat non présent");
  MakeTargetDirectory();
  // Every file of the export (FileName, the pages, the style sheet) replaces
  // its earlier version only once the whole export is complete, all as one.
  m_files = std::make_unique<platform::OutputSet>();
  m_fileOutput = true;
  struct Reset {
    TQExportHTML& e;
    ~Reset() {
      e.m_fileOutput = false;
      e.m_pages.clear();
      e.m_pageLinks.clear();
      e.m_files.reset();
    }
  } reset{*this};
  ExportToStream(m_files->Add(FileName));
  if (m_aborted) {
    m_files->Discard();
    throw ExportAborted(FileName);
  }
  m_files->Commit();
  ShowResult();
}

std::string TQExportHTML::GetShowedFileName() {
  if (m_maxRecords > 0 && !GenerateIndex) {
    const std::string first = PageFileName(FileName, 1);
    if (platform::FileExists(first)) return first;
  }
  return FileName;
}

std::string TQExportHTML::GetPrintedFileName() {
  return GetShowedFileName();
}

}  // namespace kvn::exporting
