#include "export/options_file.h"

#include <limits>

#include <algorithm>
#include <array>
#include <cstdio>

#include "export/dialog_choices.h"
#include "platform/codepage.h"
#include "platform/conversions.h"
#include "platform/error.h"
#include "platform/strings.h"

namespace kvn::exporting {

using platform::Utf8ToCp1252;

namespace {

// Widths, spacings and lengths are characters written on every row: beyond
// this a file only grows until the disk is full.
constexpr int64_t kMaxCharacters = 1024;
constexpr int64_t kMaxXlsFontSize = 409;

[[noreturn]] void RefuseValue(const platform::IniFile& ini, std::string_view section, std::string_view key,
                              const std::string& value, const char* expected) {
  throw Error(platform::Subst("Fichier d'options \"%s\", section [%s], clé %s : la valeur « %s » est refusée (%s). "
                              "Rien n'a été exporté.",
                              {ini.FileName(), section, key, value, expected}));
}

// An integer key within [low, high], when present.
void CheckInteger(const platform::IniFile& ini, std::string_view section, std::string_view key, int64_t low,
                  int64_t high, const char* expected) {
  if (!ini.ValueExists(section, key)) return;
  const std::string text = ini.ReadString(section, key, "");
  auto v = platform::TryStrToInt64(text);
  if (!v || *v < low || *v > high) RefuseValue(ini, section, key, text, expected);
}

// A decimal key (point as separator) within [low, high], when present.
void CheckDecimal(const platform::IniFile& ini, std::string_view section, std::string_view key, double low,
                  double high, const char* expected) {
  if (!ini.ValueExists(section, key)) return;
  const std::string text = ini.ReadString(section, key, "");
  const double v = StrToFloatDefault(text, -1e300);
  if (!(v >= low && v <= high)) RefuseValue(ini, section, key, text, expected);
}

void CheckColor(const platform::IniFile& ini, std::string_view section, std::string_view key) {
  if (ini.ValueExists(section, key) && !platform::StringToColor(ini.ReadString(section, key, "")))
    RefuseValue(ini, section, key, ini.ReadString(section, key, ""), "un nom de couleur ou $ et huit chiffres hexadécimaux");
}

// The HTML page's colours by their key in the file.
std::array<std::pair<const char*, platform::TColor*>, 10> HtmlColors(TQExportHTML& e) {
  return {{{"BackgroundColor", &e.HTMLOptions.BackgroundColor},
           {"FontColor", &e.HTMLOptions.TextFont.color},
           {"HeadBackgroundColor", &e.TableOptions.HeadersRowBgColor},
           {"HeadFontColor", &e.TableOptions.HeadersRowFontColor},
           {"OddRowBackgroundColor", &e.TableOptions.OddRowBgColor},
           {"EvenRowBackgroundColor", &e.TableOptions.TableBgColor},
           {"DataFontColor", &e.TableOptions.TableFontColor},
           {"LinkColor", &e.HTMLOptions.LinkColor},
           {"VLinkColor", &e.HTMLOptions.VLinkColor},
           {"ALinkColor", &e.HTMLOptions.ALinkColor}}};
}

constexpr const char* kPdfFontSections[] = {"PDF_OPTION_HEADER", "PDF_OPTION_CAPTION", "PDF_OPTION_DATA",
                                            "PDF_OPTION_FOOTER"};
// The largest page side a PDF reader draws, in points.
constexpr int64_t kMaxPdfPoints = 14400;

// A separator or quote: one character (or "#code"), never a line end.
void CheckCharacter(const platform::IniFile& ini, std::string_view section, std::string_view key, bool mayBeEmpty) {
  if (!ini.ValueExists(section, key)) return;
  const std::string text = ini.ReadString(section, key, "");
  const char* expected = mayBeEmpty ? "un seul caractère, ou rien" : "un seul caractère";
  if (text.empty()) {
    if (!mayBeEmpty) RefuseValue(ini, section, key, text, expected);
    return;
  }
  const std::string bytes = Utf8ToCp1252(text);
  int code = -1;
  if (bytes[0] == '#')
    if (auto v = platform::TryStrToInt(bytes.substr(1))) code = *v;
  const bool single = bytes.size() == 1 || (code >= 0 && code <= 255);
  const char c = SettingTextToChar(bytes);
  if (!single || c == '\r' || c == '\n' || (c == '\0' && !mayBeEmpty)) RefuseValue(ini, section, key, text, expected);
}

// Every value of the file that would make a broken or endless export, checked
// before anything is written.
void CheckValues(const platform::IniFile& ini) {
  constexpr int64_t kMaxCount = std::numeric_limits<int>::max();
  CheckInteger(ini, "GENERAL", "ExportRecCount", 0, kMaxCount, "un nombre d'enregistrements positif ou nul");
  CheckInteger(ini, "GENERAL", "SkipRecCount", 0, kMaxCount, "un nombre d'enregistrements positif ou nul");
  CheckInteger(ini, "GENERAL", "CaptionRow", -1, kMaxCount, "un numéro de ligne, ou -1");
  for (const auto& key : ini.ReadSection("WIDTH"))
    CheckInteger(ini, "WIDTH", key, 0, kMaxCharacters, "une largeur de 0 à 1024 caractères");
  CheckInteger(ini, "TXT", "Spacing", 0, kMaxCharacters, "un espacement de 0 à 1024 caractères");
  CheckCharacter(ini, "CSV", "Comma", false);
  CheckCharacter(ini, "CSV", "Quote", true);
  for (const auto& section : ini.ReadSections())
    if (platform::StartsWithNoCase(section, "XLS_"))
      CheckInteger(ini, section, "FontSize", 1, kMaxXlsFontSize, "une taille de police de 1 à 409 points");
  for (const char* section : {"RTF_DefaultFont", "RTF_HeaderFont"})
    CheckInteger(ini, section, "FontSize", 1, 1638, "une taille de police de 1 à 1638 points");
  CheckInteger(ini, "RTF", "PageOrientation", 0, 1, "0 (portrait) ou 1 (paysage)");
  CheckInteger(ini, "HTML", "CSS", 0, 1, "0 (feuille de style interne) ou 1 (externe)");
  CheckInteger(ini, "HTML", "FileRecCount", 0, kMaxCount, "un nombre d'enregistrements positif ou nul");
  for (const char* key : {"CellPadding", "CellSpacing", "BorderWidth"})
    CheckInteger(ini, "HTML", key, 0, kMaxCharacters, "un nombre de points de 0 à 1024");
  TQExportHTML html;
  for (const auto& [key, c] : HtmlColors(html)) CheckColor(ini, "HTML", key);
  CheckDecimal(ini, "PDF", "ColSpacing", 0, kMaxCharacters, "un espacement de 0 à 1024 caractères");
  CheckDecimal(ini, "PDF", "RowSpacing", 0, 100, "un interligne de 0 à 100");
  CheckInteger(ini, "PDF", "GridLineWidth", 0, 100, "une épaisseur de 0 à 100 points");
  CheckInteger(ini, "PDF", "PageFormat", 0, static_cast<int>(TQExportPageFormat::pfUser), "un format de page de 0 à 8");
  CheckInteger(ini, "PDF", "PageUnits", 0, 2, "0 (pouces), 1 (millimètres) ou 2 (points)");
  CheckInteger(ini, "PDF", "PageOrientation", 0, 1, "0 (portrait) ou 1 (paysage)");
  for (const char* key : {"PageWidth", "PageHeight"})
    CheckInteger(ini, "PDF", key, 1, kMaxPdfPoints, "une taille de 1 à 14 400 points");
  for (const char* key : {"PageMarginLeft", "PageMarginRight", "PageMarginTop", "PageMarginBottom"})
    CheckInteger(ini, "PDF", key, 0, kMaxPdfPoints, "une marge de 0 à 14 400 points");
  for (const char* section : kPdfFontSections) {
    CheckInteger(ini, section, "FontName", 0, static_cast<int>(TPDFFontName::poZapfDingbats),
                 "un numéro de police de 0 à 13");
    CheckInteger(ini, section, "FontEncoding", 0, 3, "un numéro d'encodage de 0 à 3");
    CheckInteger(ini, section, "FontSize", 1, 1000, "une taille de police de 1 à 1000 points");
    CheckColor(ini, section, "FontColor");
  }
  CheckInteger(ini, "SQL", "CommitRecCount", 0, kMaxCount, "un nombre d'enregistrements positif ou nul");
  CheckCharacter(ini, "SQL", "StatementTerm", true);
}


}  // namespace

void CheckOptionsFile(const platform::IniFile& ini) { CheckValues(ini); }

// ----------------------------------------------------------------- saving

namespace {

// Which common pages the dialog shows for a type.
bool FormatsPageShown(const ExportDialogSettings& s, int type) {
  return s.CommonOptions.count(coFormats) && type != aeDBF && type != aeSQL;
}
bool ColonsPageShown(const ExportDialogSettings& s, int type) {
  return s.CommonOptions.count(coColons) && type != aeXML && type != aeDBF;
}
bool CaptionsPageShown(const ExportDialogSettings& s, int type) {
  return s.CommonOptions.count(coCaptions) && type != aeXML && type != aeDBF && type != aeSQL;
}
bool AlignSaved(int type) { return type == aeWord || type == aeRTF || type == aeHTML || type == aeTXT; }
bool WidthSaved(int type) { return type == aeXLS || type == aeWord || type == aeRTF || type == aeTXT; }

std::string U(const std::string& cp1252) { return platform::Cp1252ToUtf8(cp1252); }

constexpr const char* kAreaNames[] = {"ENTETE", "LIBELLE", "AGGREGAT", "PIED DE PAGE"};

std::string OneDecimal(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", v);
  std::string text = buffer;
  for (char& c : text)
    if (c == ',') c = '.';
  return text;
}

}  // namespace

void ExportChoices::SaveOptions(platform::IniFile& ini) {
  const ExportDialogSettings& s = m_settings;
  const int type = m_type;
  ini.BeginUpdate();
  EraseAllSections(ini);
  const char* g = "GENERAL";
  ini.WriteInteger(g, "ExportType", type);
  ini.WriteString(g, "FileName", FileName);
  ini.WriteBool(g, "ShowFile", ShowFile);
  ini.WriteBool(g, "PrintFile", PrintFile);
  ini.WriteBool(g, "GoToFirstRecord", GoToFirstRecord);
  ini.WriteBool(g, "ExportEmpty", ExportEmpty);
  ini.WriteBool(g, "CurrentRecordOnly", CurrentRecordOnly);
  ini.WriteInteger(g, "ExportRecCount", ExportRecCount);
  ini.WriteInteger(g, "SkipRecCount", SkipRecCount);
  ini.WriteBool(g, "AllowCaptions", AllowCaptions);
  ini.WriteInteger(g, "CaptionRow", CaptionRowNumber);
  if (FormatsPageShown(s, type)) {
    const char* f = "FORMATS";
    ini.WriteString(f, "Integer", U(Formats.IntegerFormat()));
    ini.WriteString(f, "Float", U(Formats.FloatFormat()));
    ini.WriteString(f, "Date", U(Formats.DateFormat()));
    ini.WriteString(f, "Time", U(Formats.TimeFormat()));
    ini.WriteString(f, "DateTime", U(Formats.DateTimeFormat()));
    ini.WriteString(f, "Currency", U(Formats.CurrencyFormat()));
    ini.WriteString(f, "BooleanTrue", U(Formats.BooleanTrue()));
    ini.WriteString(f, "BooleanFalse", U(Formats.BooleanFalse()));
    ini.WriteString(f, "NullString", U(Formats.NullString()));
    WriteNameValueSection(ini, "USER_FORMATS", UserFormats);
  }
  StringList fields;
  for (const std::string& f : Exported) fields.Add(f);
  WriteListSection(ini, "FIELDS", fields, "field");
  if (ColonsPageShown(s, type)) {
    WriteListSection(ini, "HEADER", Header, "line");
    WriteListSection(ini, "FOOTER", Footer, "line");
  }
  if (CaptionsPageShown(s, type)) {
    for (const CaptionRow& row : Captions) ini.WriteString("CAPTIONS", U(row.field), U(row.caption));
    if (AlignSaved(type))
      for (const CaptionRow& row : Captions) ini.WriteString("ALIGN", U(row.field), U(row.align));
    if (WidthSaved(type))
      for (const CaptionRow& row : Captions)
        ini.WriteInteger("WIDTH", U(row.field), platform::TryStrToInt(row.width).value_or(0));
  }
  switch (type) {
    case aeXLS: {
      const char* x = "XLS";
      ini.WriteString(x, "PageHeader", U(XLSExp.Options.PageHeader));
      ini.WriteString(x, "PageFooter", U(XLSExp.Options.PageFooter));
      ini.WriteString(x, "SheetTitle", U(XLSExp.Options.SheetTitle()));
      ini.WriteInteger(x, "StripType", XLSExp.StripType);
      ini.WriteBool(x, "AutoCalcColWidth", XLSExp.AutoCalcColWidth);
      for (const TxlsFieldFormat& entry : XlsFields)
        entry.SaveToIni(ini, "XLS_FIELD_" + U(platform::Cp1252UpperCase(entry.FieldName)));
      const TxlsFormat* areas[] = {&XLSExp.Options.HeaderFormat, &XLSExp.Options.CaptionsFormat,
                                   &XLSExp.Options.AggregateFormat, &XLSExp.Options.FooterFormat};
      for (size_t i = 0; i < 4; ++i) areas[i]->SaveToIni(ini, std::string("XLS_OPTION_") + kAreaNames[i]);
      for (size_t i = 0; i < XlsStyles.size(); ++i) XlsStyles[i].SaveToIni(ini, "XLS_STYLE_" + StyleName(i));
      break;
    }
    case aeWord:
    case aeRTF:
      SaveFontSetting(RTFExp.Options.DefaultFont, ini, "RTF_DefaultFont");
      SaveFontSetting(RTFExp.Options.HeaderFont, ini, "RTF_HeaderFont");
      ini.WriteInteger("RTF", "PageOrientation", static_cast<int>(RTFExp.Options.PageOrientation));
      break;
    case aeHTML: {
      const char* h = "HTML";
      TQExportHTML& e = HTMLExp;
      const auto color = [&](const char* key, platform::TColor c) { ini.WriteString(h, key, platform::ColorToString(c)); };
      const auto lines = [](const StringList& l) {
        std::string joined;
        for (const std::string& line : l) joined += (joined.empty() ? "" : " ") + line;
        return U(joined);
      };
      ini.WriteString(h, "Title", U(e.Title));
      ini.WriteInteger(h, "CSS", static_cast<int>(e.UsingCSS));
      ini.WriteString(h, "CSSFile", e.CSSFileName);
      ini.WriteBool(h, "OverwriteCSSFile", e.OverwriteCSSFile);
      ini.WriteInteger(h, "FileRecCount", HtmlMultiFile ? HtmlMaxRecords : 0);
      ini.WriteBool(h, "GenerateIndex", e.GenerateIndex);
      ini.WriteString(h, "IndexLinkTemplate", U(e.Navigation.IndexLinkTemplate));
      ini.WriteBool(h, "NavigationOnTop", e.Navigation.OnTop);
      ini.WriteBool(h, "NavigationOnBottom", e.Navigation.OnBottom);
      ini.WriteString(h, "IndexLinkTitle", U(e.Navigation.IndexLinkTitle));
      ini.WriteString(h, "FirstLinkTitle", U(e.Navigation.FirstLinkTitle));
      ini.WriteString(h, "PriorLinkTitle", U(e.Navigation.PriorLinkTitle));
      ini.WriteString(h, "NextLinkTitle", U(e.Navigation.NextLinkTitle));
      ini.WriteString(h, "LastLinkTitle", U(e.Navigation.LastLinkTitle));
      ini.WriteString(h, "FontName", U(e.HTMLOptions.TextFont.name));
      ini.WriteString(h, "BackgroundFile", e.HTMLOptions.BackgroundFileName);
      ini.WriteString(h, "BodyAdvanced", lines(e.HTMLOptions.AdvancedAttributes));
      ini.WriteInteger(h, "CellPadding", e.TableOptions.CellPadding);
      ini.WriteInteger(h, "CellSpacing", e.TableOptions.CellSpacing);
      ini.WriteInteger(h, "BorderWidth", e.TableOptions.Border);
      ini.WriteString(h, "TableBackground", e.TableOptions.BackgroundFileName);
      ini.WriteString(h, "TableAdvanced", lines(e.TableOptions.AdvancedAttributes));
      for (const auto& [key, c] : HtmlColors(e)) color(key, *c);
      break;
    }
    case aeXML:
      ini.WriteBool("XML", "Standalone", XMLExp.Options.StandAlone);
      ini.WriteString("XML", "Encoding", U(XMLExp.Options.Encoding));
      break;
    case aePDF: {
      const char* p = "PDF";
      const TPDFOptions& o = PDFExp.Options;
      ini.WriteString(p, "ColSpacing", OneDecimal(o.ColSpacing));
      ini.WriteString(p, "RowSpacing", OneDecimal(o.RowSpacing));
      ini.WriteInteger(p, "GridLineWidth", o.GridLineWidth);
      ini.WriteInteger(p, "PageFormat", static_cast<int>(o.PageOptions.Format()));
      ini.WriteInteger(p, "PageUnits", static_cast<int>(o.PageOptions.Units()));
      ini.WriteInteger(p, "PageOrientation", static_cast<int>(o.PageOptions.Orientation()));
      const auto points = o.PageOptions.InPoints();
      ini.WriteInteger(p, "PageWidth", points.width);
      ini.WriteInteger(p, "PageHeight", points.height);
      ini.WriteInteger(p, "PageMarginLeft", points.left);
      ini.WriteInteger(p, "PageMarginRight", points.right);
      ini.WriteInteger(p, "PageMarginTop", points.top);
      ini.WriteInteger(p, "PageMarginBottom", points.bottom);
      const TPDFFont* fonts[] = {&o.HeaderFont, &o.CaptionFont, &o.DataFont, &o.FooterFont};
      for (size_t i = 0; i < 4; ++i) {
        ini.WriteInteger(kPdfFontSections[i], "FontName", static_cast<int>(fonts[i]->BaseFont));
        ini.WriteInteger(kPdfFontSections[i], "FontEncoding", static_cast<int>(fonts[i]->FontEncoding));
        ini.WriteInteger(kPdfFontSections[i], "FontSize", fonts[i]->FontSize);
        ini.WriteString(kPdfFontSections[i], "FontColor", platform::ColorToString(fonts[i]->FontColor));
      }
      break;
    }
    case aeTXT:
      ini.WriteBool("TXT", "AutoCalcColWidth", TxtAutoCalcColWidth);
      ini.WriteInteger("TXT", "Spacing", TxtSpacing);
      break;
    case aeCSV:
      ini.WriteBool("CSV", "QuoteStrings", ASCIIExp.CSVQuoteStrings);
      ini.WriteString("CSV", "Comma", U(CharToSettingText(ASCIIExp.CSVComma)));
      ini.WriteString("CSV", "Quote", U(CharToSettingText(ASCIIExp.CSVQuote)));
      break;
    case aeSQL: {
      const char* q = "SQL";
      ini.WriteString(q, "TableName", U(SqlTableName));
      ini.WriteBool(q, "CreateTable", SQLExp.CreateTable);
      ini.WriteInteger(q, "CommitRecCount", SQLExp.CommitRecCount);
      ini.WriteBool(q, "CommitAfterScript", SQLExp.CommitAfterScript);
      ini.WriteString(q, "CommitStatement", U(SQLExp.CommitStatement));
      ini.WriteString(q, "StatementTerm", U(SqlStatementTerm.empty() ? "" : CharToSettingText(SqlStatementTerm[0])));
      break;
    }
    default: break;
  }
  ini.EndUpdate();
}

// ----------------------------------------------------------------- loading

void ExportChoices::LoadOptions(const platform::IniFile& ini, bool selectType) {
  CheckValues(ini);
  const char* g = "GENERAL";
  if (selectType) SetType(static_cast<int>(ini.ReadInteger(g, "ExportType", m_type)));
  FileName = ini.ReadString(g, "FileName", FileName);
  ShowFile = ini.ReadBool(g, "ShowFile", ShowFile);
  PrintFile = ini.ReadBool(g, "PrintFile", PrintFile);
  GoToFirstRecord = ini.ReadBool(g, "GoToFirstRecord", GoToFirstRecord);
  ExportEmpty = ini.ReadBool(g, "ExportEmpty", ExportEmpty);
  CurrentRecordOnly = ini.ReadBool(g, "CurrentRecordOnly", CurrentRecordOnly);
  ExportRecCount = static_cast<int>(ini.ReadInteger(g, "ExportRecCount", ExportRecCount));
  SkipRecCount = static_cast<int>(ini.ReadInteger(g, "SkipRecCount", SkipRecCount));
  AllowCaptions = ini.ReadBool(g, "AllowCaptions", AllowCaptions);
  CaptionRowNumber = static_cast<int>(ini.ReadInteger(g, "CaptionRow", CaptionRowNumber));

  const auto text = [&](const char* section, const char* key, const std::string& current) {
    return Utf8ToCp1252(ini.ReadString(section, key, U(current)));
  };
  const char* f = "FORMATS";
  Formats.SetIntegerFormat(text(f, "Integer", Formats.IntegerFormat()));
  Formats.SetFloatFormat(text(f, "Float", Formats.FloatFormat()));
  Formats.SetDateFormat(text(f, "Date", Formats.DateFormat()));
  Formats.SetTimeFormat(text(f, "Time", Formats.TimeFormat()));
  Formats.SetDateTimeFormat(text(f, "DateTime", Formats.DateTimeFormat()));
  Formats.SetCurrencyFormat(text(f, "Currency", Formats.CurrencyFormat()));
  Formats.SetBooleanTrue(text(f, "BooleanTrue", Formats.BooleanTrue()));
  Formats.SetBooleanFalse(text(f, "BooleanFalse", Formats.BooleanFalse()));
  Formats.SetNullString(text(f, "NullString", Formats.NullString()));
  // A field the source does not have is ignored, whatever the case of its name.
  const auto sourceField = [&](const std::string& utf8) -> std::string {
    const std::string name = Utf8ToCp1252(utf8);
    for (const SourceColumn& c : m_columns)
      if (platform::Cp1252EqualsNoCase(c.name, name)) return c.name;
    return {};
  };
  if (ini.SectionExists("USER_FORMATS")) {
    UserFormats.Clear();
    for (const std::string& key : ini.ReadSection("USER_FORMATS")) {
      const std::string name = sourceField(key);
      if (!name.empty()) UserFormats.Add(name + "=" + Utf8ToCp1252(ini.ReadString("USER_FORMATS", key, "")));
    }
  }
  if (ini.SectionExists("FIELDS")) {
    MoveAllToAvailable();
    for (const std::string& key : ini.ReadSection("FIELDS")) {
      const std::string name = sourceField(ini.ReadString("FIELDS", key, ""));
      auto it = std::find(Available.begin(), Available.end(), name);
      if (!name.empty() && it != Available.end()) MoveToExported(static_cast<int>(it - Available.begin()));
    }
  }
  if (ini.SectionExists("HEADER")) ReadListSection(ini, "HEADER", Header);
  if (ini.SectionExists("FOOTER")) ReadListSection(ini, "FOOTER", Footer);
  if (ini.SectionExists("CAPTIONS")) {
    for (CaptionRow& row : Captions) row.caption = Utf8ToCp1252(ini.ReadString("CAPTIONS", U(row.field), U(row.field)));
    if (WidthSaved(m_type))
      for (CaptionRow& row : Captions) row.width = Utf8ToCp1252(ini.ReadString("WIDTH", U(row.field), "0"));
    if (AlignSaved(m_type))
      for (CaptionRow& row : Captions) row.align = Utf8ToCp1252(ini.ReadString("ALIGN", U(row.field), "Left"));
  }

  switch (m_type) {
    case aeXLS: {
      const char* x = "XLS";
      TQExportXLS& e = XLSExp;
      e.Options.PageHeader = text(x, "PageHeader", e.Options.PageHeader);
      e.Options.PageFooter = text(x, "PageFooter", e.Options.PageFooter);
      e.Options.SetSheetTitle(text(x, "SheetTitle", e.Options.SheetTitle()));
      const int64_t strip = ini.ReadInteger(x, "StripType", e.StripType);
      if (strip >= ssNone && strip <= ssRow) e.StripType = static_cast<TxlsStripType>(strip);
      e.AutoCalcColWidth = ini.ReadBool(x, "AutoCalcColWidth", e.AutoCalcColWidth);
      constexpr std::string_view kField = "XLS_FIELD_", kArea = "XLS_OPTION_", kStyle = "XLS_STYLE_";
      TxlsFormat* areas[] = {&e.Options.HeaderFormat, &e.Options.CaptionsFormat, &e.Options.AggregateFormat,
                             &e.Options.FooterFormat};
      bool stylesRead = false;
      for (const std::string& section : ini.ReadSections()) {
        if (platform::StartsWithNoCase(section, kField)) {
          for (TxlsFieldFormat& entry : XlsFields)
            if (platform::Cp1252EqualsNoCase(Utf8ToCp1252(section.substr(kField.size())), entry.FieldName))
              entry.LoadFromIni(ini, section);
        } else if (platform::StartsWithNoCase(section, kArea)) {
          for (size_t i = 0; i < 4; ++i)
            if (platform::Cp1252EqualsNoCase(Utf8ToCp1252(section.substr(kArea.size())), kAreaNames[i]))
              areas[i]->LoadFromIni(ini, section);
        } else if (platform::StartsWithNoCase(section, kStyle)) {
          // The file's styles replace the list.
          if (!stylesRead) XlsStyles.clear();
          stylesRead = true;
          TxlsFormat style;
          style.LoadFromIni(ini, section);
          XlsStyles.push_back(style);
        }
      }
      break;
    }
    case aeWord:
    case aeRTF: {
      LoadFontSetting(RTFExp.Options.DefaultFont, RTFExp.Options.DefaultFont, ini, "RTF_DefaultFont");
      LoadFontSetting(RTFExp.Options.HeaderFont, RTFExp.Options.HeaderFont, ini, "RTF_HeaderFont");
      const int64_t orientation =
          ini.ReadInteger("RTF", "PageOrientation", static_cast<int>(RTFExp.Options.PageOrientation));
      RTFExp.Options.PageOrientation = static_cast<TQExportPageOrientation>(orientation);
      break;
    }
    case aeHTML: LoadHtmlPage(ini); break;
    case aeXML:
      XMLExp.Options.StandAlone = ini.ReadBool("XML", "Standalone", XMLExp.Options.StandAlone);
      XMLExp.Options.Encoding = text("XML", "Encoding", XMLExp.Options.Encoding);
      break;
    case aePDF: LoadPdfPage(ini); break;
    case aeTXT:
      TxtAutoCalcColWidth = ini.ReadBool("TXT", "AutoCalcColWidth", TxtAutoCalcColWidth);
      TxtSpacing = static_cast<int>(ini.ReadInteger("TXT", "Spacing", TxtSpacing));
      break;
    case aeCSV: {
      TQExportASCII& e = ASCIIExp;
      e.CSVQuoteStrings = ini.ReadBool("CSV", "QuoteStrings", e.CSVQuoteStrings);
      const char comma = SettingTextToChar(Utf8ToCp1252(ini.ReadString("CSV", "Comma", U(CharToSettingText(e.CSVComma)))));
      const char quote = SettingTextToChar(Utf8ToCp1252(ini.ReadString("CSV", "Quote", U(CharToSettingText(e.CSVQuote)))));
      if (quote == comma)
        RefuseValue(ini, "CSV", "Quote", ini.ReadString("CSV", "Quote", ""), "le guillemet doit différer du séparateur");
      e.CSVComma = comma;
      e.CSVQuote = quote;
      break;
    }
    case aeSQL: {
      const char* q = "SQL";
      SqlTableName = text(q, "TableName", SqlTableName);
      SQLExp.CreateTable = ini.ReadBool(q, "CreateTable", SQLExp.CreateTable);
      SQLExp.CommitRecCount = static_cast<int>(ini.ReadInteger(q, "CommitRecCount", SQLExp.CommitRecCount));
      SQLExp.CommitAfterScript = ini.ReadBool(q, "CommitAfterScript", SQLExp.CommitAfterScript);
      SQLExp.CommitStatement = text(q, "CommitStatement", SQLExp.CommitStatement);
      if (ini.ValueExists(q, "StatementTerm")) {
        const char c = SettingTextToChar(Utf8ToCp1252(ini.ReadString(q, "StatementTerm", "")));
        SqlStatementTerm = c ? std::string(1, c) : std::string();
      }
      break;
    }
    default: break;
  }
}

void ExportChoices::LoadHtmlPage(const platform::IniFile& ini) {
  const char* s = "HTML";
  TQExportHTML& e = HTMLExp;
  const auto text = [&](const char* key, const std::string& current) {
    return Utf8ToCp1252(ini.ReadString(s, key, U(current)));
  };
  const auto color = [&](const char* key, platform::TColor& c) {
    if (auto v = platform::StringToColor(ini.ReadString(s, key, ""))) c = *v;
  };
  const auto lines = [&](const char* key, StringList& list) {
    if (!ini.ValueExists(s, key)) return;
    list.Clear();
    const std::string value = Utf8ToCp1252(ini.ReadString(s, key, ""));
    if (!value.empty()) list.Add(value);
  };
  // Colours of a file are a scheme of their own.
  e.SetHTMLTemplate(THTMLTemplate::htCustom);
  e.Title = text("Title", e.Title);
  e.UsingCSS = ini.ReadInteger(s, "CSS", static_cast<int>(e.UsingCSS)) == 1 ? TUsingCSS::usExternal
                                                                           : TUsingCSS::usInternal;
  e.CSSFileName = ini.ReadString(s, "CSSFile", e.CSSFileName);
  e.OverwriteCSSFile = ini.ReadBool(s, "OverwriteCSSFile", e.OverwriteCSSFile);
  const int records = static_cast<int>(ini.ReadInteger(s, "FileRecCount", HtmlMultiFile ? HtmlMaxRecords : 0));
  HtmlMultiFile = records > 0;
  if (records > 0) HtmlMaxRecords = records;
  e.GenerateIndex = ini.ReadBool(s, "GenerateIndex", e.GenerateIndex);
  TQExportHTMLNavigation& n = e.Navigation;
  n.IndexLinkTemplate = text("IndexLinkTemplate", n.IndexLinkTemplate);
  n.OnTop = ini.ReadBool(s, "NavigationOnTop", n.OnTop);
  n.OnBottom = ini.ReadBool(s, "NavigationOnBottom", n.OnBottom);
  n.IndexLinkTitle = text("IndexLinkTitle", n.IndexLinkTitle);
  n.FirstLinkTitle = text("FirstLinkTitle", n.FirstLinkTitle);
  n.PriorLinkTitle = text("PriorLinkTitle", n.PriorLinkTitle);
  n.NextLinkTitle = text("NextLinkTitle", n.NextLinkTitle);
  n.LastLinkTitle = text("LastLinkTitle", n.LastLinkTitle);
  e.HTMLOptions.TextFont.name = text("FontName", e.HTMLOptions.TextFont.name);
  e.HTMLOptions.BackgroundFileName = ini.ReadString(s, "BackgroundFile", e.HTMLOptions.BackgroundFileName);
  lines("BodyAdvanced", e.HTMLOptions.AdvancedAttributes);
  e.TableOptions.CellPadding = static_cast<int>(ini.ReadInteger(s, "CellPadding", e.TableOptions.CellPadding));
  e.TableOptions.CellSpacing = static_cast<int>(ini.ReadInteger(s, "CellSpacing", e.TableOptions.CellSpacing));
  e.TableOptions.Border = static_cast<int>(ini.ReadInteger(s, "BorderWidth", e.TableOptions.Border));
  e.TableOptions.BackgroundFileName = ini.ReadString(s, "TableBackground", e.TableOptions.BackgroundFileName);
  lines("TableAdvanced", e.TableOptions.AdvancedAttributes);
  for (const auto& [key, c] : HtmlColors(e)) color(key, *c);
}

void ExportChoices::LoadPdfPage(const platform::IniFile& ini) {
  const char* s = "PDF";
  TPDFOptions& o = PDFExp.Options;
  o.ColSpacing = StrToFloatDefault(ini.ReadString(s, "ColSpacing", ""), o.ColSpacing);
  o.RowSpacing = StrToFloatDefault(ini.ReadString(s, "RowSpacing", ""), o.RowSpacing);
  o.GridLineWidth = static_cast<int>(ini.ReadInteger(s, "GridLineWidth", o.GridLineWidth));
  TQExportPDFPageOptions& page = o.PageOptions;
  const auto format = static_cast<TQExportPageFormat>(ini.ReadInteger(s, "PageFormat", static_cast<int>(page.Format())));
  const auto units = static_cast<TQExportUnits>(ini.ReadInteger(s, "PageUnits", static_cast<int>(page.Units())));
  const auto orientation =
      static_cast<TQExportPageOrientation>(ini.ReadInteger(s, "PageOrientation", static_cast<int>(page.Orientation())));
  TQExportPDFPageOptions::Points p = page.InPoints();
  const auto points = [&](const char* key, int current) { return static_cast<int>(ini.ReadInteger(s, key, current)); };
  p.width = points("PageWidth", p.width);
  p.height = points("PageHeight", p.height);
  p.left = points("PageMarginLeft", p.left);
  p.right = points("PageMarginRight", p.right);
  p.top = points("PageMarginTop", p.top);
  p.bottom = points("PageMarginBottom", p.bottom);
  page.SetUnits(units);
  page.SetFormatAndOrientation(format, orientation);
  page.SetPoints(p);

  TPDFFont* fonts[] = {&o.HeaderFont, &o.CaptionFont, &o.DataFont, &o.FooterFont};
  for (size_t i = 0; i < 4; ++i) {
    const char* section = kPdfFontSections[i];
    TPDFFont& font = *fonts[i];
    font.BaseFont = static_cast<TPDFFontName>(ini.ReadInteger(section, "FontName", static_cast<int>(font.BaseFont)));
    font.FontEncoding =
        static_cast<TPDFFontEncoding>(ini.ReadInteger(section, "FontEncoding", static_cast<int>(font.FontEncoding)));
    font.FontSize = static_cast<int>(ini.ReadInteger(section, "FontSize", font.FontSize));
    if (auto c = platform::StringToColor(ini.ReadString(section, "FontColor", ""))) font.FontColor = *c;
  }
}

}  // namespace kvn::exporting
