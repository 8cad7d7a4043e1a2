// Cell formats of the workbook export: the 40-colour palette, fonts, borders,
// fills and alignments the user edits, the field formats with their aggregate,
// the option bundle of a sheet, and their settings-file form.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/helpers.h"
#include "platform/colors.h"
#include "platform/ini_file.h"

namespace kvn::exporting {

// The colours a cell can have, in the order of the colour chooser.
enum TxlsColor : uint8_t {
  clrBlack,
  clrBrown,
  clrOliveGreen,
  clrDarkGreen,
  clrDarkTeal,
  clrDarkBlue,
  clrIndigo,
  clrGray80Percent,
  clrDarkRed,
  clrOrange,
  clrDarkYellow,
  clrGreen,
  clrTeal,
  clrBlue,
  clrBlueGray,
  clrGray50Percent,
  clrRed,
  clrLightOrange,
  clrLime,
  clrSeaGreen,
  clrAqua,
  clrLightBlue,
  clrViolet,
  clrGray40Percent,
  clrPink,
  clrGold,
  clrYellow,
  clrBrightGreen,
  clrTurquoise,
  clrSkyBlue,
  clrPlum,
  clrGray25Percent,
  clrRose,
  clrTan,
  clrLightYellow,
  clrLihtGreen,
  clrLightTurquoise,
  clrPaleBlue,
  clrLavender,
  clrWhite
};
constexpr int kXlsColorCount = 40;

// Index in the standard palette of the workbook (no palette record is written).
uint8_t PaletteIndex(TxlsColor color);
// The screen colour, 0x00BBGGRR.
platform::TColor ScreenColor(TxlsColor color);
// "clrBlack", ...
const char* ColorName(TxlsColor color);
// Settings text: the platform colour name, or "$" and eight hex digits.
std::string XlsColorToText(TxlsColor color);
// A colour name or number; a value outside the palette reads as clrBlack.
TxlsColor XlsColorFromText(std::string_view text);
// The first palette colour with this screen colour; clrBlack when none.
TxlsColor XlsColorFromScreen(platform::TColor color);

enum TxlsFontStyle : uint8_t { xfsBold, xfsItalic, xfsStrikeOut };
enum TxlsFontScript : uint8_t { fscNone, fscSuperscript, fscSubscript };
enum TxlsFontUnderline : uint8_t {
  fulNone,
  fulSingle,
  fulDouble,
  fulSingleAccounting,
  fulDoubleAccounting
};
enum TxlsHorizontalAlignment : uint8_t { halGeneral, halLeft, halCenter, halRight, halFill };
enum TxlsVerticalAlignment : uint8_t { valTop, valCenter, valBottom, valJustify };
enum TxlsBorderStyle : uint8_t {
  bstNone,
  bstThin,
  bstMedium,
  bstDashed,
  bstDotted,
  bstThick,
  bstDouble,
  bstHair,
  bstMediumDashed,
  bstDashDot,
  bstMediumDashDot,
  bstDashDotDot,
  bstMediumDashDotDot,
  bstSlantedDashDot
};
enum TxlsPattern : uint8_t {
  ptNone,
  ptSolid,
  ptChess,
  ptWhiteSpots,
  ptBlackSpots,
  ptBoldHorizontal,
  ptBoldVertical,
  ptBoldDiagRight,
  ptBoldDiagLeft,
  ptBoldChess,
  ptRingMail,
  ptThinGorizontal,
  ptThinVertical,
  ptThinDiagLeft,
  ptThinDiagRight,
  ptCells,
  ptCrissCross,
  ptThinSpots,
  ptThinThinSpots
};
enum TxlsAggregate : uint8_t { aggNone, aggSum, aggAvg, aggMin, aggMax };
enum TxlsStripType : uint8_t { ssNone, ssCol, ssRow };

// A set of TxlsFontStyle.
class TxlsFontStyles {
 public:
  TxlsFontStyles() = default;
  TxlsFontStyles(std::initializer_list<TxlsFontStyle> styles) {
    for (auto s : styles) Include(s);
  }
  bool Has(TxlsFontStyle s) const { return m_bits & (1u << s); }
  void Include(TxlsFontStyle s) { m_bits = static_cast<uint8_t>(m_bits | (1u << s)); }
  void Exclude(TxlsFontStyle s) { m_bits = static_cast<uint8_t>(m_bits & ~(1u << s)); }
  void Set(TxlsFontStyle s, bool on) { on ? Include(s) : Exclude(s); }
  bool Empty() const { return m_bits == 0; }
  bool operator==(const TxlsFontStyles&) const = default;

 private:
  uint8_t m_bits = 0;
};

struct TxlsFont {
  int Size = 10;
  TxlsFontStyles Style;
  TxlsColor Color = clrBlack;
  TxlsFontScript Script = fscNone;
  TxlsFontUnderline Underline = fulNone;
  uint8_t Charset = 1;
  std::string Name = "arial";
  // The FONT index once registered in a workbook; 0 otherwise.
  int Index = 0;

  void Assign(const TxlsFont& other);
  // From a system font: size, bold/italic/strike-out, any underline as single,
  // character set, name; the colour mapped to the nearest standard colour.
  void Assign(const Font& font);
  // The seven properties compared, the name exactly.
  bool SameValues(const TxlsFont& other) const;
  bool IsDefault() const;
};

struct TxlsBorder {
  TxlsBorderStyle Style = bstNone;
  TxlsColor Color = clrBlack;
  bool operator==(const TxlsBorder&) const = default;
};

struct TxlsBorders {
  TxlsBorder Left, Right, Top, Bottom, DiagDown, DiagUp;
  bool operator==(const TxlsBorders&) const = default;
  bool AnyStyled() const;
};

struct TxlsFill {
  TxlsColor Background = clrWhite;
  TxlsPattern Pattern = ptNone;
  TxlsColor Foreground = clrBlack;
  bool operator==(const TxlsFill&) const = default;
};

struct TxlsAlignment {
  TxlsHorizontalAlignment Horizontal = halGeneral;
  TxlsVerticalAlignment Vertical = valBottom;
  bool operator==(const TxlsAlignment&) const = default;
};

template <class T>
class TxlsCollection;

// A cell format: font, borders, fill, alignment and wrap.
class TxlsFormat {
 public:
  TxlsFormat() = default;
  virtual ~TxlsFormat() = default;
  TxlsFormat(const TxlsFormat& other) { TxlsFormat::Assign(other); }
  TxlsFormat& operator=(const TxlsFormat& other) {
    Assign(other);
    return *this;
  }

  TxlsFont Font;
  TxlsBorders Borders;
  TxlsFill Fill;
  TxlsAlignment Alignment;
  bool Wrap = false;

  virtual void Assign(const TxlsFormat& other);
  virtual std::string GetDisplayName() const;
  virtual void SetDefault();
  virtual void SaveToIni(platform::IniFile& ini, std::string_view section) const;
  virtual void LoadFromIni(const platform::IniFile& ini, std::string_view section);
  bool IsDefault() const;

  // Position in the owning collection; -1 outside one.
  int Index() const { return m_index; }
  // Whether the owning collection is an exporter's strip styles.
  bool InStripStyles() const { return m_stripStyles; }

 private:
  template <class T>
  friend class TxlsCollection;
  int m_index = -1;
  bool m_stripStyles = false;
};

class TxlsFieldFormat : public TxlsFormat {
 public:
  TxlsFieldFormat() = default;
  TxlsFieldFormat(const TxlsFieldFormat& other) : TxlsFormat() { TxlsFieldFormat::Assign(other); }
  TxlsFieldFormat& operator=(const TxlsFieldFormat& other) {
    Assign(other);
    return *this;
  }

  std::string FieldName;
  int Width = 0;
  TxlsAggregate Aggregate = aggNone;

  void Assign(const TxlsFormat& other) override;
  std::string GetDisplayName() const override;
  void SetDefault() override;
  void SaveToIni(platform::IniFile& ini, std::string_view section) const override;
  void LoadFromIni(const platform::IniFile& ini, std::string_view section) override;
};

// An ordered, owning collection of formats.
template <class T>
class TxlsCollection {
 public:
  TxlsCollection() = default;
  TxlsCollection(const TxlsCollection& other) { Assign(other); }
  TxlsCollection& operator=(const TxlsCollection& other) {
    Assign(other);
    return *this;
  }

  T& Add() {
    m_items.push_back(std::make_unique<T>());
    Renumber();
    return *m_items.back();
  }
  void Delete(size_t i) {
    m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(i));
    Renumber();
  }
  void Clear() { m_items.clear(); }
  size_t Count() const { return m_items.size(); }
  bool Empty() const { return m_items.empty(); }
  T& operator[](size_t i) { return *m_items[i]; }
  const T& operator[](size_t i) const { return *m_items[i]; }
  void Assign(const TxlsCollection& other) {
    if (&other == this) return;
    m_items.clear();
    for (const auto& item : other.m_items) Add().Assign(*item);
  }
  void MarkStripStyles() {
    m_stripStyles = true;
    Renumber();
  }

 private:
  void Renumber() {
    for (size_t i = 0; i < m_items.size(); ++i) {
      m_items[i]->m_index = static_cast<int>(i);
      m_items[i]->m_stripStyles = m_stripStyles;
    }
  }
  std::vector<std::unique_ptr<T>> m_items;
  bool m_stripStyles = false;
};

using TxlsFormats = TxlsCollection<TxlsFormat>;

class TxlsFieldFormats : public TxlsCollection<TxlsFieldFormat> {
 public:
  // The first format whose FieldName equals name ignoring case; -1 when none.
  int IndexOfName(std::string_view name) const;
};

class TXLSOptions {
 public:
  TXLSOptions();
  TXLSOptions(const TXLSOptions& other) { Assign(other); }
  TXLSOptions& operator=(const TXLSOptions& other) {
    Assign(other);
    return *this;
  }

  std::string PageHeader;
  std::string PageFooter = "Page &P of &N";
  TxlsFormat HeaderFormat, CaptionsFormat, DataFormat, AggregateFormat, FooterFormat;

  const std::string& SheetTitle() const { return m_sheetTitle; }
  // An empty title becomes "Sheet1".
  void SetSheetTitle(std::string_view title);
  void Assign(const TXLSOptions& other);

 private:
  std::string m_sheetTitle = "Sheet 1";
};

}  // namespace kvn::exporting
