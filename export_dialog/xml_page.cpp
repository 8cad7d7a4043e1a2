#include "export_dialog/xml_page.h"

#include <QButtonGroup>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "export_dialog/dialog_util.h"
#include "export_dialog/page_widgets.h"

namespace kvn::exporting {

XmlOptionsPage::XmlOptionsPage(TQExportDialogF& dialog) : DialogPage(dialog, "XmlPage") {
  QWidget* page = this;
  auto* grid = new QGridLayout(page);
  m_xmlStandalone = new QCheckBox(Tr("Autonome"), page);
  m_xmlStandalone->setObjectName("XmlStandalone");
  grid->addWidget(m_xmlStandalone, 0, 0, 1, 2);
  grid->addWidget(new QLabel(Tr("Encodage"), page), 1, 0);
  // Empty: no encoding named, characters past ASCII as references.
  m_xmlEncoding = EncodingChoice(
      page, "XmlEncoding", {"", "UTF-8", "windows-1252", "ISO-8859-1", "ISO-8859-15", "UTF-16"},
      [this](const std::string& v) { Choices().XMLExp.Options.Encoding = v; });
  grid->addWidget(m_xmlEncoding, 1, 1);
  grid->setRowStretch(2, 1);
  connect(m_xmlStandalone, &QCheckBox::toggled, this,
          [this](bool on) { Choices().XMLExp.Options.StandAlone = on; });
}

void XmlOptionsPage::Refresh() {
  const bool was = Refreshing();
  Refreshing() = true;
  ExportChoices& c = Choices();
  m_xmlStandalone->setChecked(c.XMLExp.Options.StandAlone);
  m_xmlEncoding->setCurrentText(ToQString(c.XMLExp.Options.Encoding));
  Refreshing() = was;
}
}  // namespace kvn::exporting
