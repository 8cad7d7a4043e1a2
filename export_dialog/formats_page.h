// The "Formats" page: the common formats of each type of value, and the
// user's formats of single fields.
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <vector>

#include "export_dialog/dialog_page.h"

namespace kvn::exporting {

class FormatsOptionsPage : public DialogPage {
 public:
  explicit FormatsOptionsPage(TQExportDialogF& dialog);
  void Refresh() override;
  // The null text, typed on another page.
  void ShowNullString(const QString& text);

 private:
  void ShowUserFormats();

  std::vector<QLineEdit*> m_formatEdits;
  QComboBox *m_userField = nullptr, *m_userFormat = nullptr;
  QListWidget* m_userList = nullptr;
  QPushButton *m_userModify = nullptr, *m_userDelete = nullptr, *m_userClear = nullptr;
};

}  // namespace kvn::exporting
