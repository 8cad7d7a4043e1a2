#include "export/options_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <span>
#include <string>
#include <type_traits>
#include <variant>

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

constexpr const char* kBoolean = "0 ou 1";
constexpr const char* kColor = "un nom de couleur ou $ et huit chiffres hexadécimaux";
constexpr const char* kRecords = "un nombre d'enregistrements positif ou nul";
constexpr const char* kText255 = "un texte de 255 caractères au plus";
constexpr const char* kPath = "un nom de fichier de 4 096 caractères au plus";
constexpr const char* kTextEncoding =
    "un nom d'encodage connu, par exemple windows-1252, UTF-8 ou UTF-8-BOM";

// A value the choices keep in another shape than the file's text.
struct Accessor {
  std::string (*get)(ExportChoices&);
  void (*set)(ExportChoices&, const std::string& text);
};
// Where a row's value lives in the choices; none for a key the page's own
// code reads and writes.
using Member = std::variant<std::monostate, bool& (*)(ExportChoices&), int& (*)(ExportChoices&),
                            std::string& (*)(ExportChoices&), double& (*)(ExportChoices&),
                            platform::TColor& (*)(ExportChoices&), Accessor>;

// One option of the file: its section and key, what it holds (for the check
// and for a refusal, what is expected) and its member. Saving, loading and
// checking loop over the same rows, so a new option is one row.
struct OptionRow {
  const char* section;
  const char* key;
  Kind kind;
  double low = 0, high = 0;
  const char* expected = "";
  Member member = {};
};

// A member of the choices, by reference.
#define KVN_MEMBER(expr)            \
  +[](ExportChoices & c) -> auto& { \
    return c.expr;                  \
  }
// An enumeration member, through its number.
#define KVN_ENUM(expr, Type)                                                                       \
  Accessor {                                                                                       \
    [](ExportChoices& c) { return std::to_string(static_cast<int>(c.expr)); },                     \
        [](ExportChoices& c, const std::string& v) {                                               \
          c.expr = static_cast<Type>(platform::TryStrToInt(v).value_or(static_cast<int>(c.expr))); \
        }                                                                                          \
  }

std::string JoinLines(const StringList& list) {
  std::string joined;
  for (const std::string& line : list) joined += (joined.empty() ? "" : " ") + line;
  return joined;
}
void SetLines(StringList& list, const std::string& value) {
  list.Clear();
  if (!value.empty()) list.Add(value);
}

std::string OneDecimal(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", v);
  std::string text = buffer;
  for (char& c : text)
    if (c == ',') c = '.';
  return text;
}

// clang-format off
const OptionRow kGeneralRows[] = {
    {"GENERAL", "ExportType", Kind::Integer, 0, aeClipboard, "un type d'export de 0 à 13"},
    {"GENERAL", "FileName", Kind::Text, 0, kMaxPath, kPath, KVN_MEMBER(FileName)},
    {"GENERAL", "ShowFile", Kind::Bool, 0, 0, kBoolean, KVN_MEMBER(ShowFile)},
    {"GENERAL", "PrintFile", Kind::Bool, 0, 0, kBoolean, KVN_MEMBER(PrintFile)},
    {"GENERAL", "GoToFirstRecord", Kind::Bool, 0, 0, kBoolean, KVN_MEMBER(GoToFirstRecord)},
    {"GENERAL", "ExportEmpty", Kind::Bool, 0, 0, kBoolean, KVN_MEMBER(ExportEmpty)},
    {"GENERAL", "CurrentRecordOnly", Kind::Bool, 0, 0, kBoolean, KVN_MEMBER(CurrentRecordOnly)},
    {"GENERAL", "ExportRecCount", Kind::Integer, 0, kMaxCount, kRecords, KVN_MEMBER(ExportRecCount)},
    {"GENERAL", "SkipRecCount", Kind::Integer, 0, kMaxCount, kRecords, KVN_MEMBER(SkipRecCount)},
    {"GENERAL", "AllowCaptions", Kind::Bool, 0, 0, kBoolean, KVN_MEMBER(AllowCaptions)},
    {"GENERAL", "CaptionRow", Kind::Integer, -1, kMaxCount, "un numéro de ligne, ou -1", KVN_MEMBER(CaptionRowNumber)},
};

#define KVN_FORMAT(Name)                                                              \
  Accessor {                                                                          \
    [](ExportChoices& c) { return c.Formats.Name(); },                                \
        [](ExportChoices& c, const std::string& v) { c.Formats.Set##Name(v); }        \
  }
constexpr const char* kFormat255 = "un format de 255 caractères au plus";
const OptionRow kFormatRows[] = {
    {"FORMATS", "Integer", Kind::Text, 0, kMaxName, kFormat255, KVN_FORMAT(IntegerFormat)},
    {"FORMATS", "Float", Kind::Text, 0, kMaxName, kFormat255, KVN_FORMAT(FloatFormat)},
    {"FORMATS", "Date", Kind::Text, 0, kMaxName, kFormat255, KVN_FORMAT(DateFormat)},
    {"FORMATS", "Time", Kind::Text, 0, kMaxName, kFormat255, KVN_FORMAT(TimeFormat)},
    {"FORMATS", "DateTime", Kind::Text, 0, kMaxName, kFormat255, KVN_FORMAT(DateTimeFormat)},
    {"FORMATS", "Currency", Kind::Text, 0, kMaxName, kFormat255, KVN_FORMAT(CurrencyFormat)},
    {"FORMATS", "BooleanTrue", Kind::Text, 0, kMaxName, kFormat255, KVN_FORMAT(BooleanTrue)},
    {"FORMATS", "BooleanFalse", Kind::Text, 0, kMaxName, kFormat255, KVN_FORMAT(BooleanFalse)},
    {"FORMATS", "NullString", Kind::Text, 0, kMaxName, kFormat255, KVN_FORMAT(NullString)},
};
#undef KVN_FORMAT

const OptionRow kXlsRows[] = {
    {"XLS", "PageHeader", Kind::Text, 0, kMaxName, kText255, KVN_MEMBER(XLSExp.Options.PageHeader)},
    {"XLS", "PageFooter", Kind::Text, 0, kMaxName, kText255, KVN_MEMBER(XLSExp.Options.PageFooter)},
    {"XLS", "SheetTitle", Kind::Text, 0, 31, "un nom de feuille de 31 caractères au plus",
     Accessor{[](ExportChoices& c) { return c.XLSExp.Options.SheetTitle(); },
              [](ExportChoices& c, const std::string& v) { c.XLSExp.Options.SetSheetTitle(v); }}},
    {"XLS", "StripType", Kind::Integer, ssNone, ssRow, "0 (aucune), 1 (colonnes) ou 2 (lignes)", KVN_ENUM(XLSExp.StripType, TxlsStripType)},
    {"XLS", "AutoCalcColWidth", Kind::Bool, 0, 0, kBoolean, KVN_MEMBER(XLSExp.AutoCalcColWidth)},
};

const OptionRow kRtfRows[] = {
    {"RTF", "PageOrientation", Kind::Integer, 0, 1, "0 (portrait) ou 1 (paysage)", KVN_ENUM(RTFExp.Options.PageOrientation, TQExportPageOrientation)},
};

const OptionRow kHtmlRows[] = {
    {"HTML", "Title", Kind::Text, 0, kMaxLine, "un titre de 1 024 caractères au plus", KVN_MEMBER(HTMLExp.Title)},
    {"HTML", "CSS", Kind::Integer, 0, 1, "0 (feuille de style interne) ou 1 (externe)", KVN_ENUM(HTMLExp.UsingCSS, TUsingCSS)},
    {"HTML", "CSSFile", Kind::Text, 0, kMaxPath, kPath, KVN_MEMBER(HTMLExp.CSSFileName)},
    {"HTML", "OverwriteCSSFile", Kind::Bool, 0, 0, kBoolean, KVN_MEMBER(HTMLExp.OverwriteCSSFile)},
    // Records per page, 0 for one page.
    {"HTML", "FileRecCount", Kind::Integer, 0, kMaxCount, kRecords,
     Accessor{[](ExportChoices& c) { return std::to_string(c.HtmlMultiFile ? c.HtmlMaxRecords : 0); },
              [](ExportChoices& c, const std::string& v) {
                const int records = platform::TryStrToInt(v).value_or(0);
                c.HtmlMultiFile = records > 0;
                if (records > 0) c.HtmlMaxRecords = records;
              }}},
    {"HTML", "GenerateIndex", Kind::Bool, 0, 0, kBoolean, KVN_MEMBER(HTMLExp.GenerateIndex)},
    {"HTML", "IndexLinkTemplate", Kind::Text, 0, kMaxName, kText255, KVN_MEMBER(HTMLExp.Navigation.IndexLinkTemplate)},
    {"HTML", "NavigationOnTop", Kind::Bool, 0, 0, kBoolean, KVN_MEMBER(HTMLExp.Navigation.OnTop)},
    {"HTML", "NavigationOnBottom", Kind::Bool, 0, 0, kBoolean, KVN_MEMBER(HTMLExp.Navigation.OnBottom)},
    {"HTML", "IndexLinkTitle", Kind::Text, 0, kMaxName, kText255, KVN_MEMBER(HTMLExp.Navigation.IndexLinkTitle)},
    {"HTML", "FirstLinkTitle", Kind::Text, 0, kMaxName, kText255, KVN_MEMBER(HTMLExp.Navigation.FirstLinkTitle)},
    {"HTML", "PriorLinkTitle", Kind::Text, 0, kMaxName, kText255, KVN_MEMBER(HTMLExp.Navigation.PriorLinkTitle)},
    {"HTML", "NextLinkTitle", Kind::Text, 0, kMaxName, kText255, KVN_MEMBER(HTMLExp.Navigation.NextLinkTitle)},
    {"HTML", "LastLinkTitle", Kind::Text, 0, kMaxName, kText255, KVN_MEMBER(HTMLExp.Navigation.LastLinkTitle)},
    {"HTML", "FontName", Kind::Text, 0, kMaxName, "un nom de police de 255 caractères au plus", KVN_MEMBER(HTMLExp.HTMLOptions.TextFont.name)},
    {"HTML", "BackgroundFile", Kind::Text, 0, kMaxPath, kPath, KVN_MEMBER(HTMLExp.HTMLOptions.BackgroundFileName)},
    {"HTML", "BodyAdvanced", Kind::Text, 0, kMaxLine, "un texte de 1 024 caractères au plus",
     Accessor{[](ExportChoices& c) { return JoinLines(c.HTMLExp.HTMLOptions.AdvancedAttributes); },
              [](ExportChoices& c, const std::string& v) { SetLines(c.HTMLExp.HTMLOptions.AdvancedAttributes, v); }}},
    {"HTML", "CellPadding", Kind::Integer, 0, kMaxCharacters, "un nombre de points de 0 à 1024", KVN_MEMBER(HTMLExp.TableOptions.CellPadding)},
    {"HTML", "CellSpacing", Kind::Integer, 0, kMaxCharacters, "un nombre de points de 0 à 1024", KVN_MEMBER(HTMLExp.TableOptions.CellSpacing)},
    {"HTML", "Encoding", Kind::Encoding, 0, 0, kTextEncoding, KVN_MEMBER(HTMLExp.Encoding)},
    {"HTML", "BorderWidth", Kind::Integer, 0, kMaxCharacters, "un nombre de points de 0 à 1024", KVN_MEMBER(HTMLExp.TableOptions.Border)},
    {"HTML", "TableBackground", Kind::Text, 0, kMaxPath, kPath, KVN_MEMBER(HTMLExp.TableOptions.BackgroundFileName)},
    {"HTML", "TableAdvanced", Kind::Text, 0, kMaxLine, "un texte de 1 024 caractères au plus",
     Accessor{[](ExportChoices& c) { return JoinLines(c.HTMLExp.TableOptions.AdvancedAttributes); },
              [](ExportChoices& c, const std::string& v) { SetLines(c.HTMLExp.TableOptions.AdvancedAttributes, v); }}},
    {"HTML", "BackgroundColor", Kind::Color, 0, 0, kColor, KVN_MEMBER(HTMLExp.HTMLOptions.BackgroundColor)},
    {"HTML", "FontColor", Kind::Color, 0, 0, kColor, KVN_MEMBER(HTMLExp.HTMLOptions.TextFont.color)},
    {"HTML", "HeadBackgroundColor", Kind::Color, 0, 0, kColor, KVN_MEMBER(HTMLExp.TableOptions.HeadersRowBgColor)},
    {"HTML", "HeadFontColor", Kind::Color, 0, 0, kColor, KVN_MEMBER(HTMLExp.TableOptions.HeadersRowFontColor)},
    {"HTML", "OddRowBackgroundColor", Kind::Color, 0, 0, kColor, KVN_MEMBER(HTMLExp.TableOptions.OddRowBgColor)},
    {"HTML", "EvenRowBackgroundColor", Kind::Color, 0, 0, kColor, KVN_MEMBER(HTMLExp.TableOptions.TableBgColor)},
    {"HTML", "DataFontColor", Kind::Color, 0, 0, kColor, KVN_MEMBER(HTMLExp.TableOptions.TableFontColor)},
    {"HTML", "LinkColor", Kind::Color, 0, 0, kColor, KVN_MEMBER(HTMLExp.HTMLOptions.LinkColor)},
    {"HTML", "VLinkColor", Kind::Color, 0, 0, kColor, KVN_MEMBER(HTMLExp.HTMLOptions.VLinkColor)},
    {"HTML", "ALinkColor", Kind::Color, 0, 0, kColor, KVN_MEMBER(HTMLExp.HTMLOptions.ALinkColor)},
};

const OptionRow kXmlRows[] = {
    {"XML", "Standalone", Kind::Bool, 0, 0, kBoolean, KVN_MEMBER(XMLExp.Options.StandAlone)},
    {"XML", "Encoding", Kind::Encoding, 0, 0, "un nom d'encodage connu, par exemple UTF-8 ou ISO-8859-15", KVN_MEMBER(XMLExp.Options.Encoding)},
};

// The page's size, margins and fonts are read and written by the page's own
// code: they are set together.
constexpr const char* kMargin = "une marge de 0 à 14 400 points";
const OptionRow kPdfRows[] = {
    {"PDF", "ColSpacing", Kind::Decimal, 0, kMaxCharacters, "un espacement de 0 à 1024 caractères", KVN_MEMBER(PDFExp.Options.ColSpacing)},
    {"PDF", "RowSpacing", Kind::Decimal, 0, 100, "un interligne de 0 à 100", KVN_MEMBER(PDFExp.Options.RowSpacing)},
    {"PDF", "GridLineWidth", Kind::Integer, 0, 100, "une épaisseur de 0 à 100 points", KVN_MEMBER(PDFExp.Options.GridLineWidth)},
    {"PDF", "PageFormat", Kind::Integer, 0, static_cast<int>(TQExportPageFormat::pfUser), "un format de page de 0 à 8"},
    {"PDF", "PageUnits", Kind::Integer, 0, 2, "0 (pouces), 1 (millimètres) ou 2 (points)"},
    {"PDF", "PageOrientation", Kind::Integer, 0, 1, "0 (portrait) ou 1 (paysage)"},
    {"PDF", "PageWidth", Kind::Integer, 1, kMaxPdfPoints, "une taille de 1 à 14 400 points"},
    {"PDF", "PageHeight", Kind::Integer, 1, kMaxPdfPoints, "une taille de 1 à 14 400 points"},
    {"PDF", "PageMarginLeft", Kind::Integer, 0, kMaxPdfPoints, kMargin},
    {"PDF", "PageMarginRight", Kind::Integer, 0, kMaxPdfPoints, kMargin},
    {"PDF", "PageMarginTop", Kind::Integer, 0, kMaxPdfPoints, kMargin},
    {"PDF", "PageMarginBottom", Kind::Integer, 0, kMaxPdfPoints, kMargin},
};

const OptionRow kTxtRows[] = {
    {"TXT", "AutoCalcColWidth", Kind::Bool, 0, 0, kBoolean, KVN_MEMBER(TxtAutoCalcColWidth)},
    {"TXT", "Spacing", Kind::Integer, 0, kMaxCharacters, "un espacement de 0 à 1024 caractères", KVN_MEMBER(TxtSpacing)},
    {"TXT", "Encoding", Kind::Encoding, 0, 0, kTextEncoding, KVN_MEMBER(ASCIIExp.Encoding)},
};

#define KVN_CHARACTER(expr)                                                              \
  Accessor {                                                                             \
    [](ExportChoices& c) { return CharToSettingText(c.expr); },                          \
        [](ExportChoices& c, const std::string& v) { c.expr = SettingTextToChar(v); }    \
  }
const OptionRow kCsvRows[] = {
    {"CSV", "QuoteStrings", Kind::Bool, 0, 0, kBoolean, KVN_MEMBER(ASCIIExp.CSVQuoteStrings)},
    {"CSV", "Comma", Kind::Character, 0, 0, "un seul caractère", KVN_CHARACTER(ASCIIExp.CSVComma)},
    {"CSV", "Quote", Kind::Character, 1, 0, "un seul caractère, ou rien", KVN_CHARACTER(ASCIIExp.CSVQuote)},
    {"CSV", "Encoding", Kind::Encoding, 0, 0, kTextEncoding, KVN_MEMBER(ASCIIExp.Encoding)},
};
#undef KVN_CHARACTER

const OptionRow kSqlRows[] = {
    {"SQL", "TableName", Kind::Text, 0, 128, "un nom de table de 128 caractères au plus", KVN_MEMBER(SqlTableName)},
    {"SQL", "CreateTable", Kind::Bool, 0, 0, kBoolean, KVN_MEMBER(SQLExp.CreateTable)},
    {"SQL", "Encoding", Kind::Encoding, 0, 0, kTextEncoding, KVN_MEMBER(SQLExp.Encoding)},
    {"SQL", "CommitRecCount", Kind::Integer, 0, kMaxCount, kRecords, KVN_MEMBER(SQLExp.CommitRecCount)},
    {"SQL", "CommitAfterScript", Kind::Bool, 0, 0, kBoolean, KVN_MEMBER(SQLExp.CommitAfterScript)},
    {"SQL", "CommitStatement", Kind::Text, 0, kMaxLine, "une instruction de 1 024 caractères au plus", KVN_MEMBER(SQLExp.CommitStatement)},
    // One character, or none: the statements then end with nothing.
    {"SQL", "StatementTerm", Kind::Character, 1, 0, "un seul caractère, ou rien",
     Accessor{[](ExportChoices& c) {
                return c.SqlStatementTerm.empty() ? std::string() : CharToSettingText(c.SqlStatementTerm[0]);
              },
              [](ExportChoices& c, const std::string& v) {
                const char term = SettingTextToChar(v);
                c.SqlStatementTerm = term ? std::string(1, term) : std::string();
              }}},
};

// The sections of lists, and the sections of a kind (a field's, an area's or a
// style's formats, a font), which the pages' own code reads and writes.
const OptionRow kPatternRows[] = {
    {"FORMATS", "*", Kind::Text, 0, kMaxName, kFormat255},
    {"USER_FORMATS", "*", Kind::Text, 0, kMaxName, kFormat255},
    {"FIELDS", "*", Kind::Text, 0, kMaxName, "un nom de champ de 255 caractères au plus"},
    {"HEADER", "*", Kind::Text, 0, kMaxLine, "une ligne de 1 024 caractères au plus"},
    {"FOOTER", "*", Kind::Text, 0, kMaxLine, "une ligne de 1 024 caractères au plus"},
    {"CAPTIONS", "*", Kind::Text, 0, kMaxName, "un titre de colonne de 255 caractères au plus"},
    {"ALIGN", "*", Kind::Alignment, 0, 0, "Gauche, Centre ou Droite"},
    {"WIDTH", "*", Kind::Integer, 0, kMaxCharacters, "une largeur de 0 à 1024 caractères"},
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
    {"PDF_OPTION_*", "FontName", Kind::Integer, 0, static_cast<int>(TPDFFontName::poZapfDingbats), "un numéro de police de 0 à 13"},
    {"PDF_OPTION_*", "FontEncoding", Kind::Integer, 0, 3, "un numéro d'encodage de 0 à 3"},
    {"PDF_OPTION_*", "FontSize", Kind::Integer, 1, 1000, "une taille de police de 1 à 1000 points"},
    {"PDF_OPTION_*", "FontColor", Kind::Color, 0, 0, kColor},
};
// clang-format on
#undef KVN_MEMBER
#undef KVN_ENUM

// The pages of a type's options: its rows, then (when there is one) the code
// for what the rows do not hold.
struct OptionPage {
  std::span<const OptionRow> rows;
  std::vector<int> types;
  void (*save)(ExportChoices&, platform::IniFile&) = nullptr;
  void (*load)(ExportChoices&, const platform::IniFile&) = nullptr;
  bool extraFirst = false;  // the page's own sections come before its rows
};

constexpr const char* kAreaNames[] = {"ENTETE", "LIBELLE", "AGGREGAT", "PIED DE PAGE"};

std::array<TxlsFormat*, 4> XlsAreas(ExportChoices& c) {
  TXLSOptions& o = c.XLSExp.Options;
  return {&o.HeaderFormat, &o.CaptionsFormat, &o.AggregateFormat, &o.FooterFormat};
}

void SaveXlsSections(ExportChoices& c, platform::IniFile& ini) {
  for (const TxlsFieldFormat& entry : c.XlsFields)
    entry.SaveToIni(ini, "XLS_FIELD_" + platform::Utf8UpperCase(entry.FieldName));
  const auto areas = XlsAreas(c);
  for (size_t i = 0; i < areas.size(); ++i)
    areas[i]->SaveToIni(ini, std::string("XLS_OPTION_") + kAreaNames[i]);
  for (size_t i = 0; i < c.XlsStyles.size(); ++i)
    c.XlsStyles[i].SaveToIni(ini, "XLS_STYLE_" + ExportChoices::StyleName(i));
}

void LoadXlsSections(ExportChoices& c, const platform::IniFile& ini) {
  constexpr std::string_view kField = "XLS_FIELD_", kArea = "XLS_OPTION_", kStyle = "XLS_STYLE_";
  const auto areas = XlsAreas(c);
  bool stylesRead = false;
  for (const std::string& section : ini.ReadSections()) {
    if (platform::StartsWithNoCase(section, kField)) {
      for (TxlsFieldFormat& entry : c.XlsFields)
        if (platform::Utf8EqualsNoCase(section.substr(kField.size()), entry.FieldName))
          entry.LoadFromIni(ini, section);
    } else if (platform::StartsWithNoCase(section, kArea)) {
      for (size_t i = 0; i < areas.size(); ++i)
        if (platform::Utf8EqualsNoCase(section.substr(kArea.size()), kAreaNames[i]))
          areas[i]->LoadFromIni(ini, section);
    } else if (platform::StartsWithNoCase(section, kStyle)) {
      // The file's styles replace the list.
      if (!stylesRead) c.XlsStyles.clear();
      stylesRead = true;
      TxlsFormat style;
      style.LoadFromIni(ini, section);
      c.XlsStyles.push_back(style);
    }
  }
}

void SaveRtfFonts(ExportChoices& c, platform::IniFile& ini) {
  SaveFontSetting(c.RTFExp.Options.DefaultFont, ini, "RTF_DefaultFont");
  SaveFontSetting(c.RTFExp.Options.HeaderFont, ini, "RTF_HeaderFont");
}

void LoadRtfFonts(ExportChoices& c, const platform::IniFile& ini) {
  TRTFOptions& o = c.RTFExp.Options;
  LoadFontSetting(o.DefaultFont, o.DefaultFont, ini, "RTF_DefaultFont");
  LoadFontSetting(o.HeaderFont, o.HeaderFont, ini, "RTF_HeaderFont");
}

// Colours of a file are a scheme of their own.
void UseCustomHtmlColors(ExportChoices& c, const platform::IniFile&) {
  c.HTMLExp.SetHTMLTemplate(THTMLTemplate::htCustom);
}

std::array<TPDFFont*, 4> PdfFonts(ExportChoices& c) {
  TPDFOptions& o = c.PDFExp.Options;
  return {&o.HeaderFont, &o.CaptionFont, &o.DataFont, &o.FooterFont};
}

void SavePdfPageAndFonts(ExportChoices& c, platform::IniFile& ini) {
  const char* p = "PDF";
  const TQExportPDFPageOptions& page = c.PDFExp.Options.PageOptions;
  ini.WriteInteger(p, "PageFormat", static_cast<int>(page.Format()));
  ini.WriteInteger(p, "PageUnits", static_cast<int>(page.Units()));
  ini.WriteInteger(p, "PageOrientation", static_cast<int>(page.Orientation()));
  const auto points = page.InPoints();
  ini.WriteInteger(p, "PageWidth", points.width);
  ini.WriteInteger(p, "PageHeight", points.height);
  ini.WriteInteger(p, "PageMarginLeft", points.left);
  ini.WriteInteger(p, "PageMarginRight", points.right);
  ini.WriteInteger(p, "PageMarginTop", points.top);
  ini.WriteInteger(p, "PageMarginBottom", points.bottom);
  const auto fonts = PdfFonts(c);
  for (size_t i = 0; i < fonts.size(); ++i) {
    ini.WriteInteger(kPdfFontSections[i], "FontName", static_cast<int>(fonts[i]->BaseFont));
    ini.WriteInteger(kPdfFontSections[i], "FontEncoding", static_cast<int>(fonts[i]->FontEncoding));
    ini.WriteInteger(kPdfFontSections[i], "FontSize", fonts[i]->FontSize);
    ini.WriteString(kPdfFontSections[i], "FontColor", platform::ColorToString(fonts[i]->FontColor));
  }
}

void LoadPdfPageAndFonts(ExportChoices& c, const platform::IniFile& ini) {
  const char* s = "PDF";
  TQExportPDFPageOptions& page = c.PDFExp.Options.PageOptions;
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

  const auto fonts = PdfFonts(c);
  for (size_t i = 0; i < fonts.size(); ++i) {
    const char* section = kPdfFontSections[i];
    TPDFFont& font = *fonts[i];
    font.BaseFont = static_cast<TPDFFontName>(
        ini.ReadInteger(section, "FontName", static_cast<int>(font.BaseFont)));
    font.FontEncoding = static_cast<TPDFFontEncoding>(
        ini.ReadInteger(section, "FontEncoding", static_cast<int>(font.FontEncoding)));
    font.FontSize = static_cast<int>(ini.ReadInteger(section, "FontSize", font.FontSize));
    if (auto color = platform::StringToColor(ini.ReadString(section, "FontColor", "")))
      font.FontColor = *color;
  }
}

const std::vector<OptionPage>& TypePages() {
  static const std::vector<OptionPage> pages = {
      {kXlsRows, {aeXLS}, &SaveXlsSections, &LoadXlsSections},
      {kRtfRows, {aeWord, aeRTF}, &SaveRtfFonts, &LoadRtfFonts, /*extraFirst=*/true},
      {kHtmlRows, {aeHTML}, nullptr, &UseCustomHtmlColors, /*extraFirst=*/true},
      {kXmlRows, {aeXML}},
      {kPdfRows, {aePDF}, &SavePdfPageAndFonts, &LoadPdfPageAndFonts},
      {kTxtRows, {aeTXT}},
      {kCsvRows, {aeCSV}},
      {kSqlRows, {aeSQL}},
  };
  return pages;
}

// Every row the check knows: the pages' own, then the sections of a kind.
const std::vector<const OptionRow*>& AllRows() {
  static const std::vector<const OptionRow*> rows = [] {
    std::vector<const OptionRow*> all;
    for (const auto& list :
         {std::span<const OptionRow>(kGeneralRows), std::span<const OptionRow>(kFormatRows)})
      for (const OptionRow& row : list) all.push_back(&row);
    for (const OptionPage& page : TypePages())
      for (const OptionRow& row : page.rows) all.push_back(&row);
    for (const OptionRow& row : kPatternRows) all.push_back(&row);
    return all;
  }();
  return rows;
}

void SaveRows(ExportChoices& c, platform::IniFile& ini, std::span<const OptionRow> rows) {
  for (const OptionRow& row : rows) {
    std::visit(
        [&](auto&& member) {
          using M = std::decay_t<decltype(member)>;
          if constexpr (std::is_same_v<M, bool& (*)(ExportChoices&)>)
            ini.WriteBool(row.section, row.key, member(c));
          else if constexpr (std::is_same_v<M, int& (*)(ExportChoices&)>)
            ini.WriteInteger(row.section, row.key, member(c));
          else if constexpr (std::is_same_v<M, std::string& (*)(ExportChoices&)>)
            ini.WriteString(row.section, row.key, member(c));
          else if constexpr (std::is_same_v<M, double& (*)(ExportChoices&)>)
            ini.WriteString(row.section, row.key, OneDecimal(member(c)));
          else if constexpr (std::is_same_v<M, platform::TColor& (*)(ExportChoices&)>)
            ini.WriteString(row.section, row.key, platform::ColorToString(member(c)));
          else if constexpr (std::is_same_v<M, Accessor>)
            ini.WriteString(row.section, row.key, member.get(c));
        },
        row.member);
  }
}

// What the file does not hold keeps its current value.
void LoadRows(ExportChoices& c, const platform::IniFile& ini, std::span<const OptionRow> rows) {
  for (const OptionRow& row : rows) {
    std::visit(
        [&](auto&& member) {
          using M = std::decay_t<decltype(member)>;
          if constexpr (std::is_same_v<M, bool& (*)(ExportChoices&)>) {
            member(c) = ini.ReadBool(row.section, row.key, member(c));
          } else if constexpr (std::is_same_v<M, int& (*)(ExportChoices&)>) {
            member(c) = static_cast<int>(ini.ReadInteger(row.section, row.key, member(c)));
          } else if constexpr (std::is_same_v<M, std::string& (*)(ExportChoices&)>) {
            member(c) = ini.ReadString(row.section, row.key, member(c));
          } else if constexpr (std::is_same_v<M, double& (*)(ExportChoices&)>) {
            member(c) = StrToFloatDefault(ini.ReadString(row.section, row.key, ""), member(c));
          } else if constexpr (std::is_same_v<M, platform::TColor& (*)(ExportChoices&)>) {
            if (auto color = platform::StringToColor(ini.ReadString(row.section, row.key, "")))
              member(c) = *color;
          } else if constexpr (std::is_same_v<M, Accessor>) {
            if (ini.ValueExists(row.section, row.key))
              member.set(c, ini.ReadString(row.section, row.key, ""));
          }
        },
        row.member);
  }
}

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

bool ValueAccepted(const OptionRow& rule, const std::string& text) {
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
      for (const OptionRow* rule : AllRows()) {
        if (!SectionMatches(rule->section, section)) continue;
        const bool anyKey = std::string_view(rule->key) == "*";
        if (!anyKey && !platform::EqualsNoCase(key, rule->key)) continue;
        listSection = listSection || anyKey;
        if (anyKey && Characters(key) > kMaxName)
          RefuseValue(ini, section, key.substr(0, 40), value,
                      "un nom de clé de 255 caractères au plus");
        if (!ValueAccepted(*rule, value)) RefuseValue(ini, section, key, value, rule->expected);
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

const OptionPage* PageOf(int type) {
  for (const OptionPage& page : TypePages())
    if (std::find(page.types.begin(), page.types.end(), type) != page.types.end()) return &page;
  return nullptr;
}

// Which common pages the dialog shows for a type.
bool FormatsPageShown(const ExportDialogSettings& s, int type) {
  return s.CommonOptions.count(coFormats) && type != aeDBF && type != aeSQL;
}
bool HeaderFooterPageShown(const ExportDialogSettings& s, int type) {
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

}  // namespace

void CheckOptionsFile(const platform::IniFile& ini) {
  CheckValues(ini);
}

void ExportChoices::SaveOptions(platform::IniFile& ini) {
  const ExportDialogSettings& s = m_settings;
  const int type = m_type;
  ini.BeginUpdate();
  EraseAllSections(ini);
  ini.WriteInteger("GENERAL", "ExportType", type);
  SaveRows(*this, ini, kGeneralRows);
  if (FormatsPageShown(s, type)) {
    SaveRows(*this, ini, kFormatRows);
    WriteNameValueSection(ini, "USER_FORMATS", UserFormats);
  }
  StringList fields;
  for (const std::string& f : Exported) fields.Add(f);
  WriteListSection(ini, "FIELDS", fields, "field");
  if (HeaderFooterPageShown(s, type)) {
    WriteListSection(ini, "HEADER", Header, "line");
    WriteListSection(ini, "FOOTER", Footer, "line");
  }
  if (CaptionsPageShown(s, type)) {
    for (const CaptionRow& row : Captions) ini.WriteString("CAPTIONS", row.field, row.caption);
    if (AlignSaved(type))
      for (const CaptionRow& row : Captions) ini.WriteString("ALIGN", row.field, row.align);
    if (WidthSaved(type))
      for (const CaptionRow& row : Captions)
        ini.WriteInteger("WIDTH", row.field, platform::TryStrToInt(row.width).value_or(0));
  }
  if (const OptionPage* page = PageOf(type)) {
    if (page->save && page->extraFirst) page->save(*this, ini);
    SaveRows(*this, ini, page->rows);
    if (page->save && !page->extraFirst) page->save(*this, ini);
  }
  ini.EndUpdate();
}

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
      return SettingTextToChar(ini.ReadString("CSV", key, CharToSettingText(current)));
    };
    if (setting("Quote", ASCIIExp.CSVQuote) == setting("Comma", ASCIIExp.CSVComma))
      RefuseValue(ini, "CSV", "Quote",
                  ini.ReadString("CSV", "Quote", CharToSettingText(ASCIIExp.CSVQuote)),
                  "le guillemet doit différer du séparateur");
  }
  if (selectType) SetType(static_cast<int>(ini.ReadInteger("GENERAL", "ExportType", m_type)));
  LoadRows(*this, ini, kGeneralRows);
  LoadRows(*this, ini, kFormatRows);
  // A field the source does not have is ignored, whatever the case of its name.
  const auto sourceField = [&](const std::string& name) -> std::string {
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
  for (CaptionRow& row : Captions) row.caption = ini.ReadString("CAPTIONS", row.field, row.field);
  if (WidthSaved(m_type))
    for (CaptionRow& row : Captions) row.width = ini.ReadString("WIDTH", row.field, "0");
  if (AlignSaved(m_type))
    for (CaptionRow& row : Captions) row.align = ini.ReadString("ALIGN", row.field, "Left");

  if (const OptionPage* page = PageOf(m_type)) {
    if (page->load && page->extraFirst) page->load(*this, ini);
    LoadRows(*this, ini, page->rows);
    if (page->load && !page->extraFirst) page->load(*this, ini);
  }
}

}  // namespace kvn::exporting
