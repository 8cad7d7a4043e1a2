// The "Options XML" page: standalone and the encoding.
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

class XmlOptionsPage : public DialogPage {
 public:
  explicit XmlOptionsPage(TQExportDialogF& dialog);
  void Refresh() override;

 private:
  QCheckBox* m_xmlStandalone = nullptr;
  QComboBox* m_xmlEncoding = nullptr;
};

}  // namespace kvn::exporting
