// A page of the export dialog: it builds its own widgets, shows the choices
// in them (Refresh) and writes what the user changes into the choices.
#pragma once

#include <QComboBox>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <string>

#include "export/dialog_choices.h"
#include "export_dialog/export_dialog.h"

namespace kvn::exporting {

class DialogPage : public QWidget {
 public:
  DialogPage(TQExportDialogF& dialog, const char* objectName) : QWidget(&dialog), m_dialog(dialog) {
    setObjectName(objectName);
  }
  // Shows the choices in the page's controls.
  virtual void Refresh() = 0;

 protected:
  TQExportDialogF& Dialog() { return m_dialog; }
  ExportChoices& Choices() { return m_dialog.Choices(); }
  DialogHooks& Hooks() { return m_dialog.Hooks(); }
  const TQExportDialog& Component() const { return m_dialog.m_component; }
  // True while the dialog shows the choices: the controls' signals then
  // change nothing.
  bool& Refreshing() { return m_dialog.m_refreshing; }
  // An "Encodage" choice: the usual names, or any name iconv knows typed in;
  // set() receives the name as it changes.
  QComboBox* EncodingChoice(QWidget* parent, const char* objectName, const QStringList& names,
                            std::function<void(const std::string&)> set);

 private:
  TQExportDialogF& m_dialog;
};

}  // namespace kvn::exporting
