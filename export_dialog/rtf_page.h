// The "Options Word / RTF" page: the default and header fonts, the orientation.
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

class RtfOptionsPage : public DialogPage {
 public:
  explicit RtfOptionsPage(TQExportDialogF& dialog);
  void Refresh() override;

 private:
  QLabel *m_rtfDefaultSample = nullptr, *m_rtfHeaderSample = nullptr;
  QRadioButton *m_rtfPortrait = nullptr, *m_rtfLandscape = nullptr;
};

}  // namespace kvn::exporting
