#include "export_dialog/header_footer_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "export_dialog/dialog_util.h"
#include "export_dialog/page_widgets.h"

namespace kvn::exporting {

HeaderFooterOptionsPage::HeaderFooterOptionsPage(TQExportDialogF& dialog)
    : DialogPage(dialog, "HeaderFooterPage") {
  QWidget* page = this;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(new QLabel(Tr("Texte entête:"), page));
  m_header = new QPlainTextEdit(page);
  m_header->setObjectName("Header");
  layout->addWidget(m_header);
  layout->addWidget(new QLabel(Tr("Texte pied de page:"), page));
  m_footer = new QPlainTextEdit(page);
  m_footer->setObjectName("Footer");
  layout->addWidget(m_footer);
  const auto lines = [](const QPlainTextEdit* edit) {
    StringList list;
    const QString text = edit->toPlainText();
    if (text.isEmpty()) return list;
    for (const QString& line : text.split('\n')) list.Add(ToUtf8(line));
    return list;
  };
  connect(m_header, &QPlainTextEdit::textChanged, this, [this, lines] {
    if (!Refreshing()) Choices().Header = lines(m_header);
  });
  connect(m_footer, &QPlainTextEdit::textChanged, this, [this, lines] {
    if (!Refreshing()) Choices().Footer = lines(m_footer);
  });
}

void HeaderFooterOptionsPage::Refresh() {
  const bool was = Refreshing();
  Refreshing() = true;
  m_header->setPlainText(ToQString(Lines(Choices().Header)));
  m_footer->setPlainText(ToQString(Lines(Choices().Footer)));
  Refreshing() = was;
}

}  // namespace kvn::exporting
