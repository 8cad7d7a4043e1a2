// A page of the export dialog: it builds its own widgets, shows the choices
// in them (Refresh) and writes what the user changes into the choices.
#pragma once

#include <QWidget>

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
  // True while the dialog shows the choices: the controls' signals then
  // change nothing.
  bool& Refreshing() { return m_dialog.m_refreshing; }

 private:
  TQExportDialogF& m_dialog;
};

}  // namespace kvn::exporting
