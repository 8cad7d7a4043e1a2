// The "Options ASCII" page: the text file's widths and spacing, the CSV
// separator and quote, the encoding.
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

class AsciiOptionsPage : public DialogPage {
 public:
  explicit AsciiOptionsPage(TQExportDialogF& dialog);
  void Refresh() override;

 private:
  QCheckBox *m_txtAutoWidth = nullptr, *m_csvQuoteStrings = nullptr;
  QSpinBox* m_txtSpacing = nullptr;
  QLineEdit *m_csvComma = nullptr, *m_csvQuote = nullptr;
  QComboBox* m_asciiEncoding = nullptr;
};

}  // namespace kvn::exporting
