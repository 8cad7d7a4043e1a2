// The "Options SQL" page: the table, the commits, the null text and the
// statement terminator, the encoding.
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

class SqlOptionsPage : public DialogPage {
 public:
  explicit SqlOptionsPage(TQExportDialogF& dialog);
  void Refresh() override;

 private:
  QCheckBox *m_sqlCreate = nullptr, *m_sqlCommitAfter = nullptr;
  QLineEdit *m_sqlTable = nullptr, *m_sqlCommitStatement = nullptr, *m_sqlNull = nullptr,
            *m_sqlTerm = nullptr;
  QSpinBox* m_sqlCommitCount = nullptr;
  QComboBox* m_sqlEncoding = nullptr;
};

}  // namespace kvn::exporting
