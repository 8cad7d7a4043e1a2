// The "Options HTML" page: the colour scheme and its sample, the title, the style
// sheet, the pages and their navigation, the fonts, backgrounds and table.
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

class HtmlOptionsPage : public DialogPage {
 public:
  explicit HtmlOptionsPage(TQExportDialogF& dialog);
  void Refresh() override;

 private:
  friend class HtmlSample;
  QWidget* m_htmlSample = nullptr;
  QComboBox* m_htmlTemplate = nullptr;
  QLineEdit *m_htmlTitle = nullptr, *m_htmlCssFile = nullptr, *m_htmlIndexTemplate = nullptr;
  QRadioButton *m_htmlInternal = nullptr, *m_htmlExternal = nullptr;
  QCheckBox *m_htmlOverwrite = nullptr, *m_htmlMulti = nullptr, *m_htmlIndex = nullptr,
            *m_htmlTop = nullptr, *m_htmlBottom = nullptr;
  QSpinBox* m_htmlMax = nullptr;
  std::vector<QLineEdit*> m_htmlLinkTitles;
  QComboBox* m_htmlFont = nullptr;
  QLineEdit *m_htmlBodyBackground = nullptr, *m_htmlTableBackground = nullptr;
  QPlainTextEdit *m_htmlBodyAttributes = nullptr, *m_htmlTableAttributes = nullptr;
  QSpinBox *m_htmlPadding = nullptr, *m_htmlSpacing = nullptr, *m_htmlBorder = nullptr;
  QComboBox* m_htmlEncoding = nullptr;
};

}  // namespace kvn::exporting
