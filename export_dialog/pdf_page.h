// The "Options PDF" page: the fonts of each part, the spacing, the page size,
// units, margins and orientation.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <vector>

#include "export_dialog/dialog_page.h"

namespace kvn::exporting {

class PdfOptionsPage : public DialogPage {
 public:
  explicit PdfOptionsPage(TQExportDialogF& dialog);
  void Refresh() override;

 private:
  QListWidget* m_pdfFonts = nullptr;
  QComboBox *m_pdfFontName = nullptr, *m_pdfEncoding = nullptr, *m_pdfPageSize = nullptr,
            *m_pdfUnits = nullptr;
  QLineEdit *m_pdfFontSize = nullptr, *m_pdfColSpacing = nullptr, *m_pdfRowSpacing = nullptr,
            *m_pdfLineWidth = nullptr, *m_pdfWidth = nullptr, *m_pdfHeight = nullptr;
  std::vector<QLineEdit*> m_pdfMargins;
  QToolButton* m_pdfFontColor = nullptr;
  QLabel* m_pdfSample = nullptr;
  QRadioButton *m_pdfPortrait = nullptr, *m_pdfLandscape = nullptr;
};

}  // namespace kvn::exporting
