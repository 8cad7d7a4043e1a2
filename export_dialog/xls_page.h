// The "Options Excel" page: the cell formats of each field, area and strip
// style, the strips, the page header and footer, the sheet's title.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <functional>
#include <vector>

#include "export_dialog/dialog_page.h"

namespace kvn::exporting {

class XlsOptionsPage : public DialogPage {
 public:
  explicit XlsOptionsPage(TQExportDialogF& dialog);
  // The lists of fields, areas and styles, then the editor.
  void Refresh() override;

 private:
  // The editor shows the first selected format.
  void RefreshEditor();
  std::vector<TxlsFormat*> SelectedFormats();
  // Applies a change to every selected format.
  void Edit(const std::function<void(TxlsFormat&)>& change);

  QTabWidget* m_xlsLists = nullptr;
  QListWidget *m_xlsFields = nullptr, *m_xlsAreas = nullptr, *m_xlsStyles = nullptr;
  QComboBox *m_xlsFont = nullptr, *m_xlsSize = nullptr;
  QToolButton *m_xlsBold = nullptr, *m_xlsItalic = nullptr, *m_xlsStrike = nullptr;
  std::vector<QToolButton*> m_xlsUnderline, m_xlsHAlign, m_xlsVAlign;
  QToolButton* m_xlsFontColor = nullptr;
  std::vector<QToolButton*> m_xlsBorderToggles, m_xlsBorderColors;
  std::vector<QComboBox*> m_xlsBorderStyles;
  QToolButton *m_xlsBackground = nullptr, *m_xlsForeground = nullptr;
  QComboBox *m_xlsPattern = nullptr, *m_xlsAggregate = nullptr;
  QWidget* m_xlsAggregateTab = nullptr;
  QTabWidget* m_xlsEditorTabs = nullptr;
  QLabel* m_xlsSample = nullptr;
  std::vector<QRadioButton*> m_xlsStrip;
  QToolButton *m_styleAdd = nullptr, *m_styleDelete = nullptr, *m_styleUp = nullptr,
              *m_styleDown = nullptr, *m_styleSave = nullptr, *m_styleLoad = nullptr;
  QLineEdit *m_xlsPageHeader = nullptr, *m_xlsPageFooter = nullptr, *m_xlsSheetTitle = nullptr;
  QCheckBox* m_xlsAutoWidth = nullptr;
};

}  // namespace kvn::exporting
