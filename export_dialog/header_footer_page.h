// The "Entête & pied de page" page: the lines written before and after the
// exported rows.
#pragma once

#include <QPlainTextEdit>

#include "export_dialog/dialog_page.h"

namespace kvn::exporting {

class HeaderFooterOptionsPage : public DialogPage {
 public:
  explicit HeaderFooterOptionsPage(TQExportDialogF& dialog);
  void Refresh() override;

 private:
  QPlainTextEdit *m_header = nullptr, *m_footer = nullptr;
};

}  // namespace kvn::exporting
