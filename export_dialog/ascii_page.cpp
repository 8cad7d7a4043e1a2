#include "export_dialog/ascii_page.h"

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

AsciiOptionsPage::AsciiOptionsPage(TQExportDialogF& dialog) : DialogPage(dialog, "AsciiPage") {
  QWidget* page = this;
  auto* layout = new QVBoxLayout(page);
  auto* txt = new QGroupBox(Tr(" options TXT "), page);
  auto* t = new QGridLayout(txt);
  m_txtAutoWidth = new QCheckBox(Tr("Calculer largeur colonne"), txt);
  m_txtAutoWidth->setObjectName("TxtAutoWidth");
  t->addWidget(m_txtAutoWidth, 0, 0, 1, 2);
  t->addWidget(new QLabel(Tr("Espacement"), txt), 1, 0);
  m_txtSpacing = new QSpinBox(txt);
  m_txtSpacing->setObjectName("TxtSpacing");
  m_txtSpacing->setRange(0, 1024);
  t->addWidget(m_txtSpacing, 1, 1);
  layout->addWidget(txt);
  auto* csv = new QGroupBox(Tr(" Options CSV "), page);
  auto* c = new QGridLayout(csv);
  m_csvQuoteStrings = new QCheckBox(Tr("Quote strings"), csv);
  m_csvQuoteStrings->setObjectName("CsvQuoteStrings");
  c->addWidget(m_csvQuoteStrings, 0, 0, 1, 2);
  c->addWidget(new QLabel(Tr("Virgule"), csv), 1, 0);
  m_csvComma = new QLineEdit(csv);
  m_csvComma->setObjectName("CsvComma");
  c->addWidget(m_csvComma, 1, 1);
  c->addWidget(new QLabel(Tr("Quote"), csv), 2, 0);
  m_csvQuote = new QLineEdit(csv);
  m_csvQuote->setObjectName("CsvQuote");
  c->addWidget(m_csvQuote, 2, 1);
  layout->addWidget(csv);
  auto* encoding = new QHBoxLayout;
  encoding->addWidget(new QLabel(Tr("Encodage"), page));
  m_asciiEncoding =
      EncodingChoice(page, "AsciiEncoding", {"windows-1252", "UTF-8", "UTF-8-BOM", "ISO-8859-15"},
                     [this](const std::string& v) { Choices().ASCIIExp.Encoding = v; });
  encoding->addWidget(m_asciiEncoding, 1);
  layout->addLayout(encoding);
  layout->addStretch();
  connect(m_txtAutoWidth, &QCheckBox::toggled, this,
          [this](bool on) { Choices().TxtAutoCalcColWidth = on; });
  connect(m_txtSpacing, &QSpinBox::valueChanged, this, [this](int v) {
    if (!Refreshing()) Choices().TxtSpacing = v;
  });
  connect(m_csvQuoteStrings, &QCheckBox::toggled, this,
          [this](bool on) { Choices().ASCIIExp.CSVQuoteStrings = on; });
  // A separator is typed as the character itself or as "#" and its code.
  connect(m_csvComma, &QLineEdit::textEdited, this, [this](const QString& v) {
    if (!v.isEmpty()) Choices().ASCIIExp.CSVComma = SettingTextToChar(ToUtf8(v));
  });
  connect(m_csvQuote, &QLineEdit::textEdited, this,
          [this](const QString& v) { Choices().ASCIIExp.CSVQuote = SettingTextToChar(ToUtf8(v)); });
}

void AsciiOptionsPage::Refresh() {
  const bool was = Refreshing();
  Refreshing() = true;
  ExportChoices& c = Choices();
  m_asciiEncoding->setCurrentText(ToQString(c.ASCIIExp.Encoding));
  m_txtAutoWidth->setChecked(c.TxtAutoCalcColWidth);
  m_txtSpacing->setValue(c.TxtSpacing);
  m_csvQuoteStrings->setChecked(c.ASCIIExp.CSVQuoteStrings);
  m_csvComma->setText(ToQString(CharToSettingText(c.ASCIIExp.CSVComma)));
  m_csvQuote->setText(
      ToQString(c.ASCIIExp.CSVQuote ? CharToSettingText(c.ASCIIExp.CSVQuote) : std::string()));
  // The page's groups: TXT or CSV.
  m_txtAutoWidth->parentWidget()->setEnabled(c.Type() == aeTXT);
  m_csvComma->parentWidget()->setEnabled(c.Type() == aeCSV);
  Refreshing() = was;
}
}  // namespace kvn::exporting
