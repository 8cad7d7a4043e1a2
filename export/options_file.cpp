#include "export/options_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>

#include "export/dialog_choices.h"
#include "export/text/ascii_export.h"
#include "platform/codepage.h"
#include "platform/conversions.h"
#include "platform/error.h"
#include "platform/strings.h"

namespace kvn::exporting {

namespace {

// Widths, spacings and lengths are characters written on every row: beyond
// this a file only grows until the disk is full.
constexpr int64_t kMaxCharacters = 1024;
constexpr int64_t kMaxCount = std::numeric_limits<int>::max();
// Texts: a path, a line of a header or footer, a name or a format.
constexpr int64_t kMaxPath = 4096;
constexpr int64_t kMaxLine = 1024;
constexpr int64_t kMaxName = 255;
// Lines of a list section (fields, header, footer, captions…).
constexpr size_t kMaxListLines = 1000;

[[noreturn]] void RefuseValue(const platform::IniFile& ini, std::string_view section,
                              std::string_view key, const std::string& value,
                              const char* expected) {
  // A refused text is quoted whole only when it is short.
  std::string shown = value;
  if (shown.size() > 80) {
    size_t cut = 60;
    while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) --cut;
    shown = shown.substr(0, cut) + "…";
  }
  throw Error(platform::Subst(
      "Fichier d'options \"%s\", section [%s], clé %s : la valeur « %s » est refusée (%s). "
      "Rien n'a été exporté.",
      {ini.FileName(), section, key, shown, expected}));
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

constexpr const char* kPdfFontSections[] = {"PDF_OPTION_HEADER", "PDF_OPTION_CAPTION",
                                            "PDF_OPTION_DATA", "PDF_OPTION_FOOTER"};
// The largest page side a PDF reader draws, in points.
constexpr int64_t kMaxPdfPoints = 14400;

// What a key holds, and so what the check accepts.
enum class Kind {
  Bool,       // 0 or 1
  Integer,    // within [low, high]
  Decimal,    // a point as separator, within [low, high]
  Text,       // at most high characters
  Character,  // one character or "#code", never a line end; low = 1 when it may be empty
  Color,      // a colour name, "$" and hex digits, or decimal
  XlsColor,   // a colour of the workbook's palette
  Encoding,   // a name iconv knows
  Alignment,  // the captions grid's alignment, French or English
};

// One row per key: the section ("*" ends a prefix), the key ("*" for every key
// of a list section), what it holds and, for a refusal, what is expected.
struct KeyRule {
  const char* section;
  const char* key;
  Kind kind;
  double low = 0, high = 0;
  const char* expected = "";
};

constexpr const char* kBoolean = "0 ou 1";
constexpr const char* kColor = "un nom de couleur ou $ et huit chiffres hexadécimaux";
constexpr const char* kRecords = "un nombre d'enregistrements positif ou nul";

// clang-format off
const KeyRule kKeyRules[] = {
    {"GENERAL", "ExportType", Kind::Integer, 0, aeClipboard, "un type d'export de 0 à 13"},
    {"GENERAL", "FileName", Kind::Text, 0, kMaxPath, "un nom de fichier de 4 096 caractères au plus"},
    {"GENERAL", "ShowFile", Kind::Bool, 0, 0, kBoolean},
    {"GENERAL", "PrintFile", Kind::Bool, 0, 0, kBoolean},
    {"GENERAL", "GoToFirstRecord", Kind::Bool, 0, 0, kBoolean},
    {"GENERAL", "ExportEmpty", Kind::Bool, 0, 0, kBoolean},
    {"GENERAL", "CurrentRecordOnly", Kind::Bool, 0, 0, kBoolean},
    {"GENERAL", "ExportRecCount", Kind::Integer, 0, kMaxCount, kRecords},
    {"GENERAL", "SkipRecCount", Kind::Integer, 0, kMaxCount, kRecords},
    {"GENERAL", "AllowCaptions", Kind::Bool, 0, 0, kBoolean},
    {"GENERAL", "CaptionRow", Kind::Integer, -1, kMaxCount, "un numéro de ligne, ou -1"},
    {"FORMATS", "*", Kind::Text, 0, kMaxName, "un format de 255 caractères au plus"},
    {"USER_FORMATS", "*", Kind::Text, 0, kMaxName, "un format de 255 caractères au plus"},
    {"FIELDS", "*", Kind::Text, 0, kMaxName, "un nom de champ de 255 caractères au plus"},
    {"HEADER", "*", Kind::Text, 0, kMaxLine, "une ligne de 1 024 caractères au plus"},
    {"FOOTER", "*", Kind::Text, 0, kMaxLine, "une ligne de 1 024 caractères au plus"},
    {"CAPTIONS", "*", Kind::Text, 0, kMaxName, "un titre de colonne de 255 caractères au plus"},
    {"ALIGN", "*", Kind::Alignment, 0, 0, "Gauche, Centre ou Droite"},
    {"WIDTH", "*", Kind::Integer, 0, kMaxCharacters, "une largeur de 0 à 1024 caractères"},
    {"XLS", "PageHeader", Kind::Text, 0, kMaxName, "un texte de 255 caractères au plus"},
    {"XLS", "PageFooter", Kind::Text, 0, kMaxName, "un texte de 255 caractères au plus"},
    {"XLS", "SheetTitle", Kind::Text, 0, 31, "un nom de feuille de 31 caractères au plus"},
    {"XLS", "StripType", Kind::Integer, ssNone, ssRow, "0 (aucune), 1 (colonnes) ou 2 (lignes)"},
    {"XLS", "AutoCalcColWidth", Kind::Bool, 0, 0, kBoolean},
    {"XLS_*", "FontName", Kind::Text, 0, 31, "un nom de police de 31 caractères au plus"},
    {"XLS_*", "FontSize", Kind::Integer, 1, 409, "une taille de police de 1 à 409 points"},
    {"XLS_*", "FontColor", Kind::XlsColor, 0, 0, "une couleur de la palette du classeur"},
    {"XLS_*", "FontBold", Kind::Bool, 0, 0, kBoolean},
    {"XLS_*", "FontItalic", Kind::Bool, 0, 0, kBoolean},
    {"XLS_*", "FontStrikeOut", Kind::Bool, 0, 0, kBoolean},
    {"XLS_*", "FontUnderline", Kind::Integer, fulNone, fulDoubleAccounting, "un soulignement de 0 à 4"},
    {"XLS_*", "HorAlignment", Kind::Integer, halGeneral, halFill, "un alignement de 0 à 4"},
    {"XLS_*", "VertAlignment", Kind::Integer, valTop, valJustify, "un alignement de 0 à 3"},
    {"XLS_*", "BorderTop", Kind::Integer, bstNone, bstSlantedDashDot, "un style de bordure de 0 à 13"},
    {"XLS_*", "BorderBottom", Kind::Integer, bstNone, bstSlantedDashDot, "un style de bordure de 0 à 13"},
    {"XLS_*", "BorderLeft", Kind::Integer, bstNone, bstSlantedDashDot, "un style de bordure de 0 à 13"},
    {"XLS_*", "BorderRight", Kind::Integer, bstNone, bstSlantedDashDot, "un style de bordure de 0 à 13"},
    {"XLS_*", "BorderTopColor", Kind::XlsColor, 0, 0, "une couleur de la palette du classeur"},
    {"XLS_*", "BorderBottomColor", Kind::XlsColor, 0, 0, "une couleur de la palette du classeur"},
    {"XLS_*", "BorderLeftColor", Kind::XlsColor, 0, 0, "une couleur de la palette du classeur"},
    {"XLS_*", "BorderRightColor", Kind::XlsColor, 0, 0, "une couleur de la palette du classeur"},
    {"XLS_*", "FillPattern", Kind::Integer, ptNone, ptThinThinSpots, "un motif de 0 à 18"},
    {"XLS_*", "FillBackground", Kind::XlsColor, 0, 0, "une couleur de la palette du classeur"},
    {"XLS_*", "FillForeground", Kind::XlsColor, 0, 0, "une couleur de la palette du classeur"},
    {"XLS_FIELD_*", "Aggregate", Kind::Integer, aggNone, aggMax, "un agrégat de 0 à 4"},
    {"RTF_*", "FontName", Kind::Text, 0, 31, "un nom de police de 31 caractères au plus"},
    {"RTF_*", "FontBold", Kind::Bool, 0, 0, kBoolean},
    {"RTF_*", "FontItalic", Kind::Bool, 0, 0, kBoolean},
    {"RTF_*", "FontUnderline", Kind::Bool, 0, 0, kBoolean},
    {"RTF_*", "FontStrikeOut", Kind::Bool, 0, 0, kBoolean},
    {"RTF_*", "FontSize", Kind::Integer, 1, 1638, "une taille de police de 1 à 1638 points"},
    {"RTF_*", "FontColor", Kind::Color, 0, 0, kColor},
    {"RTF_*", "FontCharset", Kind::Integer, 0, 255, "un jeu de caractères de 0 à 255"},
    {"RTF", "PageOrientation", Kind::Integer, 0, 1, "0 (portrait) ou 1 (paysage)"},
    {"HTML", "Title", Kind::Text, 0, kMaxLine, "un titre de 1 024 caractères au plus"},
    {"HTML", "CSS", Kind::Integer, 0, 1, "0 (feuille de style interne) ou 1 (externe)"},
    {"HTML", "CSSFile", Kind::Text, 0, kMaxPath, "un nom de fichier de 4 096 caractères au plus"},
    {"HTML", "OverwriteCSSFile", Kind::Bool, 0, 0, kBoolean},
    {"HTML", "FileRecCount", Kind::Integer, 0, kMaxCount, kRecords},
    {"HTML", "GenerateIndex", Kind::Bool, 0, 0, kBoolean},
    {"HTML", "IndexLinkTemplate", Kind::Text, 0, kMaxName, "un texte de 255 caractères au plus"},
    {"HTML", "NavigationOnTop", Kind::Bool, 0, 0, kBoolean},
    {"HTML", "NavigationOnBottom", Kind::Bool, 0, 0, kBoolean},
    {"HTML", "IndexLinkTitle", Kind::Text, 0, kMaxName, "un texte de 255 caractères au plus"},
    {"HTML", "FirstLinkTitle", Kind::Text, 0, kMaxName, "un texte de 255 caractères au plus"},
    {"HTML", "PriorLinkTitle", Kind::Text, 0, kMaxName, "un texte de 255 caractères au plus"},
    {"HTML", "NextLinkTitle", Kind::Text, 0, kMaxName, "un texte de 255 caractères au plus"},
    {"HTML", "LastLinkTitle", Kind::Text, 0, kMaxName, "un texte de 255 caractères au plus"},
    {"HTML", "FontName", Kind::Text, 0, kMaxName, "un nom de police de 255 caractères au plus"},
    {"HTML", "BackgroundFile", Kind::Text, 0, kMaxPath, "un nom de fichier de 4 096 caractères au plus"},
    {"HTML", "BodyAdvanced", Kind::Text, 0, kMaxLine, "un texte de 1 024 caractères au plus"},
    {"HTML", "CellPadding", Kind::Integer, 0, kMaxCharacters, "un nombre de points de 0 à 1024"},
    {"HTML", "Encoding", Kind::Encoding, 0, 0, "un nom d'encodage connu, par exemple windows-1252, UTF-8 ou UTF-8-BOM"},
    {"HTML", "CellSpacing", Kind::Integer, 0, kMaxCharacters, "un nombre de points de 0 à 1024"},
    {"HTML", "BorderWidth", Kind::Integer, 0, kMaxCharacters, "un nombre de points de 0 à 1024"},
    {"HTML", "TableBackground", Kind::Text, 0, kMaxPath, "un nom de fichier de 4 096 caractères au plus"},
    {"HTML", "TableAdvanced", Kind::Text, 0, kMaxLine, "un texte de 1 024 caractères au plus"},
    {"HTML", "BackgroundColor", Kind::Color, 0, 0, kColor},
    {"HTML", "FontColor", Kind::Color, 0, 0, kColor},
    {"HTML", "HeadBackgroundColor", Kind::Color, 0, 0, kColor},
    {"HTML", "HeadFontColor", Kind::Color, 0, 0, kColor},
    {"HTML", "OddRowBackgroundColor", Kind::Color, 0, 0, kColor},
    {"HTML", "EvenRowBackgroundColor", Kind::Color, 0, 0, kColor},
    {"HTML", "DataFontColor", Kind::Color, 0, 0, kColor},
    {"HTML", "LinkColor", Kind::Color, 0, 0, kColor},
    {"HTML", "VLinkColor", Kind::Color, 0, 0, kColor},
    {"HTML", "ALinkColor", Kind::Color, 0, 0, kColor},
    {"XML", "Standalone", Kind::Bool, 0, 0, kBoolean},
    {"XML", "Encoding", Kind::Encoding, 0, 0, "un nom d'encodage connu, par exemple UTF-8 ou ISO-8859-15"},
    {"PDF", "ColSpacing", Kind::Decimal, 0, kMaxCharacters, "un espacement de 0 à 1024 caractères"},
    {"PDF", "RowSpacing", Kind::Decimal, 0, 100, "un interligne de 0 à 100"},
    {"PDF", "GridLineWidth", Kind::Integer, 0, 100, "une épaisseur de 0 à 100 points"},
    {"PDF", "PageFormat", Kind::Integer, 0, static_cast<int>(TQExportPageFormat::pfUser), "un format de page de 0 à 8"},
    {"PDF", "PageUnits", Kind::Integer, 0, 2, "0 (pouces), 1 (millimètres) ou 2 (points)"},
    {"PDF", "PageOrientation", Kind::Integer, 0, 1, "0 (portrait) ou 1 (paysage)"},
    {"PDF", "PageWidth", Kind::Integer, 1, kMaxPdfPoints, "une taille de 1 à 14 400 points"},
    {"PDF", "PageHeight", Kind::Integer, 1, kMaxPdfPoints, "une taille de 1 à 14 400 points"},
    {"PDF", "PageMarginLeft", Kind::Integer, 0, kMaxPdfPoints, "une marge de 0 à 14 400 points"},
    {"PDF", "PageMarginRight", Kind::Integer, 0, kMaxPdfPoints, "une marge de 0 à 14 400 points"},
    {"PDF", "PageMarginTop", Kind::Integer, 0, kMaxPdfPoints, "une marge de 0 à 14 400 points"},
    {"PDF", "PageMarginBottom", Kind::Integer, 0, kMaxPdfPoints, "une marge de 0 à 14 400 points"},
    {"PDF_OPTION_*", "FontName", Kind::Integer, 0, static_cast<int>(TPDFFontName::poZapfDingbats), "un numéro de police de 0 à 13"},
    {"PDF_OPTION_*", "FontEncoding", Kind::Integer, 0, 3, "un numéro d'encodage de 0 à 3"},
    {"PDF_OPTION_*", "FontSize", Kind::Integer, 1, 1000, "une taille de police de 1 à 1000 points"},
    {"PDF_OPTION_*", "FontColor", Kind::Color, 0, 0, kColor},
    {"TXT", "AutoCalcColWidth", Kind::Bool, 0, 0, kBoolean},
    {"TXT", "Encoding", Kind::Encoding, 0, 0, "un nom d'encodage connu, par exemple windows-1252, UTF-8 ou UTF-8-BOM"},
    {"CSV", "Encoding", Kind::Encoding, 0, 0, "un nom d'encodage connu, par exemple windows-1252, UTF-8 ou UTF-8-BOM"},
    {"TXT", "Spacing", Kind::Integer, 0, kMaxCharacters, "un espacement de 0 à 1024 caractères"},
    {"CSV", "QuoteStrings", Kind::Bool, 0, 0, kBoolean},
    {"CSV", "Comma", Kind::Character, 0, 0, "un seul caractère"},
    {"CSV", "Quote", Kind::Character, 1, 0, "un seul caractère, ou rien"},
    {"SQL", "TableName", Kind::Text, 0, 128, "un nom de table de 128 caractères au plus"},
    {"SQL", "CreateTable", Kind::Bool, 0, 0, kBoolean},
    {"SQL", "Encoding", Kind::Encoding, 0, 0, "un nom d'encodage connu, par exemple windows-1252, UTF-8 ou UTF-8-BOM"},
    {"SQL", "CommitRecCount", Kind::Integer, 0, kMaxCount, kRecords},
    {"SQL", "CommitAfterScript", Kind::Bool, 0, 0, kBoolean},
    {"SQL", "CommitStatement", Kind::Text, 0, kMaxLine, "une instruction de 1 024 caractères au plus"},
    {"SQL", "StatementTerm", Kind::Character, 1, 0, "un seul caractère, ou rien"},
};
// clang-format on

bool SectionMatches(const char* pattern, std::string_view section) {
  const std::string_view p(pattern);
  if (!p.empty() && p.back() == '*')
    return platform::StartsWithNoCase(section, p.substr(0, p.size() - 1));
  return platform::EqualsNoCase(section, p);
}

size_t Characters(std::string_view utf8) {
  size_t n = 0;
  for (unsigned char c : utf8) n += (c & 0xC0) != 0x80;
  return n;
}

bool ValueAccepted(const KeyRule& rule, const std::string& text) {
  switch (rule.kind) {
    case Kind::Bool:
      return text == "0" || text == "1";
    case Kind::Integer: {
      const auto v = platform::TryStrToInt64(text);
      return v && *v >= rule.low && *v <= rule.high;
    }
    case Kind::Decimal: {
      const double v = StrToFloatDefault(text, -1e300);
      return v >= rule.low && v <= rule.high;
    }
    case Kind::Text:
      return Characters(text) <= static_cast<size_t>(rule.high);
    case Kind::Character: {
      const bool mayBeEmpty = rule.low != 0;
      if (text.empty()) return mayBeEmpty;
      const std::string bytes = text;
      int code = -1;
      if (bytes[0] == '#')
        if (auto v = platform::TryStrToInt(bytes.substr(1))) code = *v;
      const bool single = bytes.size() == 1 || (code >= 0 && code <= 255);
      const char c = SettingTextToChar(bytes);
      return single && c != '\r' && c != '\n' && (c != '\0' || mayBeEmpty);
    }
    case Kind::Color:
      return platform::StringToColor(text).has_value();
    case Kind::XlsColor: {
      const auto value = platform::StringToColor(text);
      return value && ScreenColor(XlsColorFromScreen(*value)) == *value;
    }
    case Kind::Encoding:
      return platform::IsKnownEncoding(text) || IsUtf8WithBom(text);
    case Kind::Alignment:
      for (const char* word : {"Gauche", "Centre", "Droite", "Left", "Center", "Right"})
        if (platform::EqualsNoCase(text, word)) return true;
      return false;
  }
  return false;
}

// Every value of the file that would make a broken or endless export, checked
// before anything is read from it.
void CheckValues(const platform::IniFile& ini) {
  if (!ini.IsText())
    throw Error(platform::Subst(
        "Le fichier d'options \"%s\" n'est pas un fichier texte (UTF-8, sans octet nul) : "
        "il n'est pas lu. Rien n'a été exporté.",
        {ini.FileName()}));
  for (const std::string& section : ini.ReadSections()) {
    const std::vector<std::string> keys = ini.ReadSection(section);
    bool listSection = false;
    for (const std::string& key : keys) {
      const std::string value = ini.ReadString(section, key, "");
      for (const KeyRule& rule : kKeyRules) {
        if (!SectionMatches(rule.section, section)) continue;
        const bool anyKey = std::string_view(rule.key) == "*";
        if (!anyKey && !platform::EqualsNoCase(key, rule.key)) continue;
        listSection = listSection || anyKey;
        if (anyKey && Characters(key) > kMaxName)
          RefuseValue(ini, section, key.substr(0, 40), value,
                      "un nom de clé de 255 caractères au plus");
        if (!ValueAccepted(rule, value)) RefuseValue(ini, section, key, value, rule.expected);
        break;
      }
    }
    if (listSection && keys.size() > kMaxListLines)
      throw Error(platform::Subst(
          "Fichier d'options \"%s\", section [%s] : %s lignes, plus que les %s acceptées. "
          "Rien n'a été exporté.",
          {ini.FileName(), section, std::to_string(keys.size()), std::to_string(kMaxListLines)}));
  }
}

}  // namespace

void CheckOptionsFile(const platform::IniFile& ini) {
  CheckValues(ini);
}

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
bool AlignSaved(int type) {
  return type == aeWord || type == aeRTF || type == aeHTML || type == aeTXT;
}
bool WidthSaved(int type) {
  return type == aeXLS || type == aeWord || type == aeRTF || type == aeTXT;
}

std::string U(const std::string& cp1252) {
  return cp1252;
}

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
    for (const CaptionRow& row : Captions)
      ini.WriteString("CAPTIONS", U(row.field), U(row.caption));
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
        entry.SaveToIni(ini, "XLS_FIELD_" + U(platform::Utf8UpperCase(entry.FieldName)));
      const TxlsFormat* areas[] = {&XLSExp.Options.HeaderFormat, &XLSExp.Options.CaptionsFormat,
                                   &XLSExp.Options.AggregateFormat, &XLSExp.Options.FooterFormat};
      for (size_t i = 0; i < 4; ++i)
        areas[i]->SaveToIni(ini, std::string("XLS_OPTION_") + kAreaNames[i]);
      for (size_t i = 0; i < XlsStyles.size(); ++i)
        XlsStyles[i].SaveToIni(ini, "XLS_STYLE_" + StyleName(i));
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
      const auto color = [&](const char* key, platform::TColor c) {
        ini.WriteString(h, key, platform::ColorToString(c));
      };
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
      ini.WriteString(h, "Encoding", e.Encoding);
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
        ini.WriteInteger(kPdfFontSections[i], "FontEncoding",
                         static_cast<int>(fonts[i]->FontEncoding));
        ini.WriteInteger(kPdfFontSections[i], "FontSize", fonts[i]->FontSize);
        ini.WriteString(kPdfFontSections[i], "FontColor",
                        platform::ColorToString(fonts[i]->FontColor));
      }
      break;
    }
    case aeTXT:
      ini.WriteBool("TXT", "AutoCalcColWidth", TxtAutoCalcColWidth);
      ini.WriteInteger("TXT", "Spacing", TxtSpacing);
      ini.WriteString("TXT", "Encoding", ASCIIExp.Encoding);
      break;
    case aeCSV:
      ini.WriteBool("CSV", "QuoteStrings", ASCIIExp.CSVQuoteStrings);
      ini.WriteString("CSV", "Comma", U(CharToSettingText(ASCIIExp.CSVComma)));
      ini.WriteString("CSV", "Quote", U(CharToSettingText(ASCIIExp.CSVQuote)));
      ini.WriteString("CSV", "Encoding", ASCIIExp.Encoding);
      break;
    case aeSQL: {
      const char* q = "SQL";
      ini.WriteString(q, "TableName", U(SqlTableName));
      ini.WriteBool(q, "CreateTable", SQLExp.CreateTable);
      ini.WriteString(q, "Encoding", SQLExp.Encoding);
      ini.WriteInteger(q, "CommitRecCount", SQLExp.CommitRecCount);
      ini.WriteBool(q, "CommitAfterScript", SQLExp.CommitAfterScript);
      ini.WriteString(q, "CommitStatement", U(SQLExp.CommitStatement));
      ini.WriteString(q, "StatementTerm",
                      U(SqlStatementTerm.empty() ? "" : CharToSettingText(SqlStatementTerm[0])));
      break;
    }
    default:
      break;
  }
  ini.EndUpdate();
}

// ----------------------------------------------------------------- loading

void ExportChoices::LoadOptions(const platform::IniFile& ini, bool selectType) {
  // Everything is checked before anything changes: a refused file leaves the
  // choices as they were.
  CheckValues(ini);
  int type = m_type;
  if (selectType) {
    const int wanted = static_cast<int>(ini.ReadInteger("GENERAL", "ExportType", m_type));
    if (std::find(m_types.begin(), m_types.end(), wanted) != m_types.end()) type = wanted;
  }
  if (type == aeCSV) {
    const auto setting = [&](const char* key, char current) {
      return SettingTextToChar(ini.ReadString("CSV", key, U(CharToSettingText(current))));
    };
    if (setting("Quote", ASCIIExp.CSVQuote) == setting("Comma", ASCIIExp.CSVComma))
      RefuseValue(ini, "CSV", "Quote",
                  ini.ReadString("CSV", "Quote", U(CharToSettingText(ASCIIExp.CSVQuote))),
                  "le guillemet doit différer du séparateur");
  }
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
    return ini.ReadString(section, key, U(current));
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
    const std::string name = utf8;
    for (const SourceColumn& c : m_columns)
      if (platform::Utf8EqualsNoCase(c.name, name)) return c.name;
    return {};
  };
  // The lists and boxes are emptied first: what the file does not mention is
  // not kept from before.
  UserFormats.Clear();
  for (const std::string& key : ini.ReadSection("USER_FORMATS")) {
    const std::string name = sourceField(key);
    if (!name.empty()) UserFormats.Add(name + "=" + ini.ReadString("USER_FORMATS", key, ""));
  }
  MoveAllToAvailable();
  for (const std::string& key : ini.ReadSection("FIELDS")) {
    const std::string name = sourceField(ini.ReadString("FIELDS", key, ""));
    auto it = std::find(Available.begin(), Available.end(), name);
    if (!name.empty() && it != Available.end())
      MoveToExported(static_cast<int>(it - Available.begin()));
  }
  ReadListSection(ini, "HEADER", Header);
  ReadListSection(ini, "FOOTER", Footer);
  for (CaptionRow& row : Captions)
    row.caption = ini.ReadString("CAPTIONS", U(row.field), U(row.field));
  if (WidthSaved(m_type))
    for (CaptionRow& row : Captions) row.width = ini.ReadString("WIDTH", U(row.field), "0");
  if (AlignSaved(m_type))
    for (CaptionRow& row : Captions) row.align = ini.ReadString("ALIGN", U(row.field), "Left");

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
      constexpr std::string_view kField = "XLS_FIELD_", kArea = "XLS_OPTION_",
                                 kStyle = "XLS_STYLE_";
      TxlsFormat* areas[] = {&e.Options.HeaderFormat, &e.Options.CaptionsFormat,
                             &e.Options.AggregateFormat, &e.Options.FooterFormat};
      bool stylesRead = false;
      for (const std::string& section : ini.ReadSections()) {
        if (platform::StartsWithNoCase(section, kField)) {
          for (TxlsFieldFormat& entry : XlsFields)
            if (platform::Utf8EqualsNoCase(section.substr(kField.size()), entry.FieldName))
              entry.LoadFromIni(ini, section);
        } else if (platform::StartsWithNoCase(section, kArea)) {
          for (size_t i = 0; i < 4; ++i)
            if (platform::Utf8EqualsNoCase(section.substr(kArea.size()), kAreaNames[i]))
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
      LoadFontSetting(RTFExp.Options.DefaultFont, RTFExp.Options.DefaultFont, ini,
                      "RTF_DefaultFont");
      LoadFontSetting(RTFExp.Options.HeaderFont, RTFExp.Options.HeaderFont, ini, "RTF_HeaderFont");
      const int64_t orientation = ini.ReadInteger("RTF", "PageOrientation",
                                                  static_cast<int>(RTFExp.Options.PageOrientation));
      RTFExp.Options.PageOrientation = static_cast<TQExportPageOrientation>(orientation);
      break;
    }
    case aeHTML:
      LoadHtmlPage(ini);
      break;
    case aeXML:
      XMLExp.Options.StandAlone = ini.ReadBool("XML", "Standalone", XMLExp.Options.StandAlone);
      XMLExp.Options.Encoding = text("XML", "Encoding", XMLExp.Options.Encoding);
      break;
    case aePDF:
      LoadPdfPage(ini);
      break;
    case aeTXT:
      TxtAutoCalcColWidth = ini.ReadBool("TXT", "AutoCalcColWidth", TxtAutoCalcColWidth);
      TxtSpacing = static_cast<int>(ini.ReadInteger("TXT", "Spacing", TxtSpacing));
      ASCIIExp.Encoding = ini.ReadString("TXT", "Encoding", ASCIIExp.Encoding);
      break;
    case aeCSV: {
      TQExportASCII& e = ASCIIExp;
      e.CSVQuoteStrings = ini.ReadBool("CSV", "QuoteStrings", e.CSVQuoteStrings);
      const char comma =
          SettingTextToChar(ini.ReadString("CSV", "Comma", U(CharToSettingText(e.CSVComma))));
      const char quote =
          SettingTextToChar(ini.ReadString("CSV", "Quote", U(CharToSettingText(e.CSVQuote))));
      e.CSVComma = comma;
      e.CSVQuote = quote;
      e.Encoding = ini.ReadString("CSV", "Encoding", e.Encoding);
      break;
    }
    case aeSQL: {
      const char* q = "SQL";
      SqlTableName = text(q, "TableName", SqlTableName);
      SQLExp.CreateTable = ini.ReadBool(q, "CreateTable", SQLExp.CreateTable);
      SQLExp.Encoding = ini.ReadString(q, "Encoding", SQLExp.Encoding);
      SQLExp.CommitRecCount =
          static_cast<int>(ini.ReadInteger(q, "CommitRecCount", SQLExp.CommitRecCount));
      SQLExp.CommitAfterScript = ini.ReadBool(q, "CommitAfterScript", SQLExp.CommitAfterScript);
      SQLExp.CommitStatement = text(q, "CommitStatement", SQLExp.CommitStatement);
      if (ini.ValueExists(q, "StatementTerm")) {
        const char c = SettingTextToChar(ini.ReadString(q, "StatementTerm", ""));
        SqlStatementTerm = c ? std::string(1, c) : std::string();
      }
      break;
    }
    default:
      break;
  }
}

void ExportChoices::LoadHtmlPage(const platform::IniFile& ini) {
  const char* s = "HTML";
  TQExportHTML& e = HTMLExp;
  const auto text = [&](const char* key, const std::string& current) {
    return ini.ReadString(s, key, U(current));
  };
  const auto color = [&](const char* key, platform::TColor& c) {
    if (auto v = platform::StringToColor(ini.ReadString(s, key, ""))) c = *v;
  };
  const auto lines = [&](const char* key, StringList& list) {
    if (!ini.ValueExists(s, key)) return;
    list.Clear();
    const std::string value = ini.ReadString(s, key, "");
    if (!value.empty()) list.Add(value);
  };
  // Colours of a file are a scheme of their own.
  e.SetHTMLTemplate(THTMLTemplate::htCustom);
  e.Title = text("Title", e.Title);
  e.UsingCSS = ini.ReadInteger(s, "CSS", static_cast<int>(e.UsingCSS)) == 1 ? TUsingCSS::usExternal
                                                                            : TUsingCSS::usInternal;
  e.CSSFileName = ini.ReadString(s, "CSSFile", e.CSSFileName);
  e.OverwriteCSSFile = ini.ReadBool(s, "OverwriteCSSFile", e.OverwriteCSSFile);
  const int records =
      static_cast<int>(ini.ReadInteger(s, "FileRecCount", HtmlMultiFile ? HtmlMaxRecords : 0));
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
  e.HTMLOptions.BackgroundFileName =
      ini.ReadString(s, "BackgroundFile", e.HTMLOptions.BackgroundFileName);
  lines("BodyAdvanced", e.HTMLOptions.AdvancedAttributes);
  e.TableOptions.CellPadding =
      static_cast<int>(ini.ReadInteger(s, "CellPadding", e.TableOptions.CellPadding));
  e.TableOptions.CellSpacing =
      static_cast<int>(ini.ReadInteger(s, "CellSpacing", e.TableOptions.CellSpacing));
  e.Encoding = ini.ReadString(s, "Encoding", e.Encoding);
  e.TableOptions.Border =
      static_cast<int>(ini.ReadInteger(s, "BorderWidth", e.TableOptions.Border));
  e.TableOptions.BackgroundFileName =
      ini.ReadString(s, "TableBackground", e.TableOptions.BackgroundFileName);
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
  const auto format = static_cast<TQExportPageFormat>(
      ini.ReadInteger(s, "PageFormat", static_cast<int>(page.Format())));
  const auto units =
      static_cast<TQExportUnits>(ini.ReadInteger(s, "PageUnits", static_cast<int>(page.Units())));
  const auto orientation = static_cast<TQExportPageOrientation>(
      ini.ReadInteger(s, "PageOrientation", static_cast<int>(page.Orientation())));
  TQExportPDFPageOptions::Points p = page.InPoints();
  const auto points = [&](const char* key, int current) {
    return static_cast<int>(ini.ReadInteger(s, key, current));
  };
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
    font.BaseFont = static_cast<TPDFFontName>(
        ini.ReadInteger(section, "FontName", static_cast<int>(font.BaseFont)));
    font.FontEncoding = static_cast<TPDFFontEncoding>(
        ini.ReadInteger(section, "FontEncoding", static_cast<int>(font.FontEncoding)));
    font.FontSize = static_cast<int>(ini.ReadInteger(section, "FontSize", font.FontSize));
    if (auto c = platform::StringToColor(ini.ReadString(section, "FontColor", "")))
      font.FontColor = *c;
  }
}

}  // namespace kvn::exporting
