// The "Champs" page: the fields available and the fields exported, moved by
// buttons, double clicks or dragging.
#pragma once

#include <QListWidget>

#include "export_dialog/dialog_page.h"

namespace kvn::exporting {

class FieldsOptionsPage : public DialogPage {
 public:
  explicit FieldsOptionsPage(TQExportDialogF& dialog);
  void Refresh() override;

  QListWidget *AvailableList = nullptr, *ExportedList = nullptr;

 private:
  // Shows the lists with an entry selected in each (-1: none).
  void Show(int availableSelection = -1, int exportedSelection = -1);
  void Dropped(QListWidget* target, QListWidget* source, int sourceRow, int targetRow);
};

}  // namespace kvn::exporting
