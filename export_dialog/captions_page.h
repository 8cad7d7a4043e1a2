// The "Libellé" page: the caption, alignment and width of each exported
// column, and (for a string grid) the row that holds the captions.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>
#include <QTableWidget>

#include "export_dialog/dialog_page.h"

namespace kvn::exporting {

class CaptionsOptionsPage : public DialogPage {
 public:
  explicit CaptionsOptionsPage(TQExportDialogF& dialog);
  void Refresh() override;
  // Takes the grid's texts into the choices.
  void ReadGrid();

  QTableWidget* CaptionsGrid = nullptr;
  QCheckBox* AllowCaptionsBox = nullptr;

 private:
  QSpinBox* m_captionRow = nullptr;
  QLabel* m_captionRowLabel = nullptr;
};

}  // namespace kvn::exporting
