#include "export/options_file.h"

#include <limits>

#include "export/html/html_export.h"
#include "export/pdf/pdf_export.h"
#include "export/rtf/rtf_export.h"
#include "export/sql/sql_export.h"
#include "export/text/ascii_export.h"
#include "export/xls/xls_export.h"
#include "export/xml/xml_export.h"
#include "platform/codepage.h"
#include "platform/conversions.h"
#include "platform/error.h"
#include "platform/strings.h"

namespace kvn::exporting {

using platform::Utf8ToCp1252;

namespace {

// The source's field name (as the exporter knows it) for a name in the file.
std::string FieldNamed(db::DataSet& source, const std::string& utf8) {
  db::Field* f = source.FindField(utf8);
  return f ? Utf8ToCp1252(f->FieldName()) : std::string();
}

std::string AlignText(const std::string& gridText) {
  if (platform::EqualsNoCase(gridText, "Centre") || platform::EqualsNoCase(gridText, "Center"))
    return "Center";
  if (platform::EqualsNoCase(gridText, "Droite") || platform::EqualsNoCase(gridText, "Right"))
    return "Right";
  return "Left";
}

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
void CheckOptionsFile(const platform::IniFile& ini) {
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
  for (const char* key : {"BackgroundColor", "FontColor", "HeadBackgroundColor", "HeadFontColor",
                          "OddRowBackgroundColor", "EvenRowBackgroundColor", "DataFontColor", "LinkColor",
                          "VLinkColor", "ALinkColor"})
    CheckColor(ini, "HTML", key);
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

// The dialog's Word and RTF page.
void ApplyRtfPage(const platform::IniFile& ini, TQExportRTF& e) {
  LoadFontSetting(e.Options.DefaultFont, e.Options.DefaultFont, ini, "RTF_DefaultFont");
  LoadFontSetting(e.Options.HeaderFont, e.Options.HeaderFont, ini, "RTF_HeaderFont");
  const int64_t orientation = ini.ReadInteger("RTF", "PageOrientation", static_cast<int>(e.Options.PageOrientation));
  e.Options.PageOrientation = static_cast<TQExportPageOrientation>(orientation);
}

// The dialog's HTML pages: the options, the table, the multi-file page.
void ApplyHtmlPage(const platform::IniFile& ini, TQExportHTML& e) {
  const char* s = "HTML";
  auto text = [&](const char* key, const std::string& current) {
    return Utf8ToCp1252(ini.ReadString(s, key, platform::Cp1252ToUtf8(current)));
  };
  auto color = [&](const char* key, platform::TColor& c) {
    if (auto v = platform::StringToColor(ini.ReadString(s, key, ""))) c = *v;
  };
  // Colours of a file are a scheme of their own.
  e.SetHTMLTemplate(THTMLTemplate::htCustom);
  e.Title = text("Title", e.Title);
  e.UsingCSS = ini.ReadInteger(s, "CSS", static_cast<int>(e.UsingCSS)) == 1 ? TUsingCSS::usExternal
                                                                           : TUsingCSS::usInternal;
  e.CSSFileName = ini.ReadString(s, "CSSFile", e.CSSFileName);
  e.OverwriteCSSFile = ini.ReadBool(s, "OverwriteCSSFile", e.OverwriteCSSFile);
  e.SetMaxRecords(static_cast<int>(ini.ReadInteger(s, "FileRecCount", e.MaxRecords())));
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
  e.TableOptions.CellPadding = static_cast<int>(ini.ReadInteger(s, "CellPadding", e.TableOptions.CellPadding));
  e.TableOptions.CellSpacing = static_cast<int>(ini.ReadInteger(s, "CellSpacing", e.TableOptions.CellSpacing));
  e.TableOptions.Border = static_cast<int>(ini.ReadInteger(s, "BorderWidth", e.TableOptions.Border));
  e.TableOptions.BackgroundFileName = ini.ReadString(s, "TableBackground", e.TableOptions.BackgroundFileName);
  color("BackgroundColor", e.HTMLOptions.BackgroundColor);
  color("FontColor", e.HTMLOptions.TextFont.color);
  color("HeadBackgroundColor", e.TableOptions.HeadersRowBgColor);
  color("HeadFontColor", e.TableOptions.HeadersRowFontColor);
  color("OddRowBackgroundColor", e.TableOptions.OddRowBgColor);
  color("EvenRowBackgroundColor", e.TableOptions.TableBgColor);
  color("DataFontColor", e.TableOptions.TableFontColor);
  color("LinkColor", e.HTMLOptions.LinkColor);
  color("VLinkColor", e.HTMLOptions.VLinkColor);
  color("ALinkColor", e.HTMLOptions.ALinkColor);
}

// The dialog's PDF page: spacings, grid, page in points, the four fonts.
void ApplyPdfPage(const platform::IniFile& ini, TQExportPDF& e) {
  const char* s = "PDF";
  TPDFOptions& o = e.Options;
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
    TPDFFont& f = *fonts[i];
    f.BaseFont = static_cast<TPDFFontName>(ini.ReadInteger(section, "FontName", static_cast<int>(f.BaseFont)));
    f.FontEncoding =
        static_cast<TPDFFontEncoding>(ini.ReadInteger(section, "FontEncoding", static_cast<int>(f.FontEncoding)));
    f.FontSize = static_cast<int>(ini.ReadInteger(section, "FontSize", f.FontSize));
    if (auto c = platform::StringToColor(ini.ReadString(section, "FontColor", ""))) f.FontColor = *c;
  }
}

void ApplyXmlPage(const platform::IniFile& ini, TQExportXML& e) {
  e.Options.StandAlone = ini.ReadBool("XML", "Standalone", e.Options.StandAlone);
  e.Options.Encoding = Utf8ToCp1252(ini.ReadString("XML", "Encoding", platform::Cp1252ToUtf8(e.Options.Encoding)));
}

void ApplySqlPage(const platform::IniFile& ini, TQExportSQL& e) {
  const char* s = "SQL";
  e.TableName = Utf8ToCp1252(ini.ReadString(s, "TableName", platform::Cp1252ToUtf8(e.TableName)));
  e.CreateTable = ini.ReadBool(s, "CreateTable", e.CreateTable);
  e.CommitRecCount = static_cast<int>(ini.ReadInteger(s, "CommitRecCount", e.CommitRecCount));
  e.CommitAfterScript = ini.ReadBool(s, "CommitAfterScript", e.CommitAfterScript);
  e.CommitStatement = Utf8ToCp1252(ini.ReadString(s, "CommitStatement", platform::Cp1252ToUtf8(e.CommitStatement)));
  e.StatementTerm = SettingTextToChar(ini.ReadString(s, "StatementTerm", CharToSettingText(e.StatementTerm)));
}

}  // namespace

void ApplyOptionsFile(const platform::IniFile& ini, int type, db::DataSet& source, TQExport& e) {
  CheckOptionsFile(ini);
  e.GoToFirstRecord = ini.ReadBool("GENERAL", "GoToFirstRecord", e.GoToFirstRecord);
  e.ExportEmpty = ini.ReadBool("GENERAL", "ExportEmpty", e.ExportEmpty);
  e.CurrentRecordOnly = ini.ReadBool("GENERAL", "CurrentRecordOnly", e.CurrentRecordOnly);
  e.ExportRecCount = static_cast<int>(ini.ReadInteger("GENERAL", "ExportRecCount", e.ExportRecCount));
  e.SkipRecCount = static_cast<int>(ini.ReadInteger("GENERAL", "SkipRecCount", e.SkipRecCount));
  e.AllowCaptions = ini.ReadBool("GENERAL", "AllowCaptions", e.AllowCaptions);
  e.CaptionRow = static_cast<int>(ini.ReadInteger("GENERAL", "CaptionRow", e.CaptionRow));

  if (ini.SectionExists("FORMATS")) {
    auto r = [&](const char* key, const std::string& current) {
      return Utf8ToCp1252(ini.ReadString("FORMATS", key, platform::Cp1252ToUtf8(current)));
    };
    TQExportFormats& f = e.Formats;
    f.SetIntegerFormat(r("Integer", f.IntegerFormat()));
    f.SetFloatFormat(r("Float", f.FloatFormat()));
    f.SetDateFormat(r("Date", f.DateFormat()));
    f.SetTimeFormat(r("Time", f.TimeFormat()));
    f.SetDateTimeFormat(r("DateTime", f.DateTimeFormat()));
    f.SetCurrencyFormat(r("Currency", f.CurrencyFormat()));
    f.SetBooleanTrue(r("BooleanTrue", f.BooleanTrue()));
    f.SetBooleanFalse(r("BooleanFalse", f.BooleanFalse()));
    f.SetNullString(r("NullString", f.NullString()));
  }
  if (ini.SectionExists("USER_FORMATS")) {
    e.UserFormats.Clear();
    for (const auto& key : ini.ReadSection("USER_FORMATS")) {
      std::string name = FieldNamed(source, key);
      if (!name.empty()) e.UserFormats.Add(name + "=" + Utf8ToCp1252(ini.ReadString("USER_FORMATS", key, "")));
    }
  }
  if (ini.SectionExists("FIELDS")) {
    e.ExportedFields.Clear();
    for (const auto& key : ini.ReadSection("FIELDS")) {
      std::string name = FieldNamed(source, ini.ReadString("FIELDS", key, ""));
      if (!name.empty() && !e.ExportedFields.HasName(name)) {
        bool already = false;
        for (const auto& f : e.ExportedFields) already = already || platform::EqualsNoCase(f, name);
        if (!already) e.ExportedFields.Add(name);
      }
    }
  }
  if (ini.SectionExists("HEADER")) ReadListSection(ini, "HEADER", e.Header);
  if (ini.SectionExists("FOOTER")) ReadListSection(ini, "FOOTER", e.Footer);

  // Captions, alignments and widths per field; a caption equal to its field
  // name is not passed on.
  const bool widths = type == 0 || type == 1 || type == 2 || type == 7;
  const bool aligns = type == 1 || type == 2 || type == 3 || type == 7;
  const bool textFile = type >= 7 && type <= 10;
  if (ini.SectionExists("CAPTIONS")) {
    e.Captions.Clear();
    e.ColumnsAlign.Clear();
    e.ColumnsWidth.Clear();
    for (int i = 0; i < source.FieldCount(); ++i) {
      const db::Field& f = source.FieldByIndex(i);
      if (f.IsBlob()) continue;
      const std::string name = Utf8ToCp1252(f.FieldName());
      std::string caption = Utf8ToCp1252(ini.ReadString("CAPTIONS", f.FieldName(), f.FieldName()));
      if (caption != name) e.Captions.Add(name + "=" + caption);
      if (aligns || textFile)
        e.ColumnsAlign.Add(name + "=" + AlignText(aligns ? ini.ReadString("ALIGN", f.FieldName(), "Left") : "Left"));
      if (widths || textFile)
        e.ColumnsWidth.Add(name + "=" + (widths ? ini.ReadString("WIDTH", f.FieldName(), "0") : std::string()));
    }
  }

  if (auto* xls = dynamic_cast<TQExportXLS*>(&e); xls && type == 0) ApplyXlsPage(&ini, source, *xls);
  if (auto* rtf = dynamic_cast<TQExportRTF*>(&e); rtf && (type == 1 || type == 2)) ApplyRtfPage(ini, *rtf);
  if (auto* html = dynamic_cast<TQExportHTML*>(&e); html && type == 3) ApplyHtmlPage(ini, *html);
  if (auto* xml = dynamic_cast<TQExportXML*>(&e); xml && type == 4) ApplyXmlPage(ini, *xml);
  if (auto* pdf = dynamic_cast<TQExportPDF*>(&e); pdf && type == 6) ApplyPdfPage(ini, *pdf);
  if (auto* sql = dynamic_cast<TQExportSQL*>(&e); sql && type == 12) ApplySqlPage(ini, *sql);
  if (auto* ascii = dynamic_cast<TQExportASCII*>(&e)) {
    if (type == 7) {
      ascii->AutoCalcColWidth = ini.ReadBool("TXT", "AutoCalcColWidth", ascii->AutoCalcColWidth);
      ascii->TXTSpacing = static_cast<int>(ini.ReadInteger("TXT", "Spacing", ascii->TXTSpacing));
    } else if (type == 8) {
      ascii->CSVQuoteStrings = ini.ReadBool("CSV", "QuoteStrings", ascii->CSVQuoteStrings);
      ascii->CSVComma = SettingTextToChar(ini.ReadString("CSV", "Comma", CharToSettingText(ascii->CSVComma)));
      ascii->CSVQuote = SettingTextToChar(ini.ReadString("CSV", "Quote", CharToSettingText(ascii->CSVQuote)));
      if (ascii->CSVQuote == ascii->CSVComma)
        RefuseValue(ini, "CSV", "Quote", ini.ReadString("CSV", "Quote", CharToSettingText(ascii->CSVQuote)),
                    "le guillemet doit différer du séparateur");
    }
  }
}

void ApplyXlsPage(const platform::IniFile* ini, db::DataSet& source, TQExportXLS& e) {
  constexpr std::string_view kField = "XLS_FIELD_", kArea = "XLS_OPTION_", kStyle = "XLS_STYLE_";
  std::vector<std::string> sections;
  if (ini) {
    e.Options.PageHeader = Utf8ToCp1252(ini->ReadString("XLS", "PageHeader", platform::Cp1252ToUtf8(e.Options.PageHeader)));
    e.Options.PageFooter = Utf8ToCp1252(ini->ReadString("XLS", "PageFooter", platform::Cp1252ToUtf8(e.Options.PageFooter)));
    e.Options.SetSheetTitle(
        Utf8ToCp1252(ini->ReadString("XLS", "SheetTitle", platform::Cp1252ToUtf8(e.Options.SheetTitle()))));
    const int64_t strip = ini->ReadInteger("XLS", "StripType", e.StripType);
    if (strip >= ssNone && strip <= ssRow) e.StripType = static_cast<TxlsStripType>(strip);
    e.AutoCalcColWidth = ini->ReadBool("XLS", "AutoCalcColWidth", e.AutoCalcColWidth);
    sections = ini->ReadSections();
    const std::pair<const char*, TxlsFormat*> areas[] = {{"ENTETE", &e.Options.HeaderFormat},
                                                          {"LIBELLE", &e.Options.CaptionsFormat},
                                                          {"AGGREGAT", &e.Options.AggregateFormat},
                                                          {"PIED DE PAGE", &e.Options.FooterFormat}};
    for (const auto& section : sections) {
      if (platform::StartsWithNoCase(section, kArea)) {
        const std::string area = Utf8ToCp1252(section.substr(kArea.size()));
        for (const auto& [name, format] : areas)
          if (platform::Cp1252EqualsNoCase(area, name)) format->LoadFromIni(*ini, section);
      } else if (platform::StartsWithNoCase(section, kStyle)) {
        e.StripStyles.Add().LoadFromIni(*ini, section);
      }
    }
  }

  // The fields list: one entry per field of the source.
  std::vector<TxlsFieldFormat> entries;
  for (int i = 0; i < source.FieldCount(); ++i) {
    TxlsFieldFormat entry;
    const std::string name = Utf8ToCp1252(source.FieldByIndex(i).FieldName());
    const int own = e.FieldFormats.IndexOfName(name);
    if (own >= 0)
      entry.Assign(e.FieldFormats[static_cast<size_t>(own)]);
    else
      entry.Assign(e.Options.DataFormat);
    entry.FieldName = name;
    for (const auto& section : sections)
      if (platform::StartsWithNoCase(section, kField) &&
          platform::Cp1252EqualsNoCase(Utf8ToCp1252(section.substr(kField.size())), name))
        entry.LoadFromIni(*ini, section);
    entries.push_back(std::move(entry));
  }
  e.FieldFormats.Clear();
  auto copy = [&](const std::string& name) {
    for (const auto& entry : entries)
      if (platform::Cp1252EqualsNoCase(entry.FieldName, name)) {
        e.FieldFormats.Add().Assign(entry);
        return;
      }
  };
  if (e.ExportedFields.Count() > 0) {
    for (const auto& name : e.ExportedFields) copy(name);
  } else {
    for (int i = 0; i < source.FieldCount(); ++i)
      if (!source.FieldByIndex(i).IsBlob()) copy(Utf8ToCp1252(source.FieldByIndex(i).FieldName()));
  }
}

}  // namespace kvn::exporting
