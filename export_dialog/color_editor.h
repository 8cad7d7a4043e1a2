// The colour chooser of the Excel page: the 40 colours of the workbook
// palette as 5 rows of 8 swatches.
#pragma once

#include <QDialog>

#include "export/xls/xls_formats.h"

namespace kvn::exporting {

class TQExportXLSColorEditorF : public QDialog {
 public:
  explicit TQExportXLSColorEditorF(QWidget* parent, TxlsColor selected = clrBlack);

  TxlsColor Selected() const { return m_selected; }
  // The palette colour at a point of the drawing area (column x / 22, row
  // y / 22, at most 39).
  static TxlsColor ColorAt(int x, int y);
  // Shows the chooser modally on a colour: the one chosen with OK, the given
  // one otherwise.
  static TxlsColor Choose(QWidget* parent, TxlsColor color);

  class Palette;
  Palette* Area() const { return m_area; }

 private:
  friend class Palette;
  void Select(TxlsColor color) { m_selected = color; }
  Palette* m_area;
  TxlsColor m_selected;
};

}  // namespace kvn::exporting
