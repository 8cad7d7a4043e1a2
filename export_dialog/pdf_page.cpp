#include "export_dialog/pdf_page.h"

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
#include "qt_support/prompts.h"

namespace kvn::exporting {

namespace {

const char* const kPdfFontNames[] = {
    "Helvetica",   "Helvetica Bold", "Helvetica Oblique", "Helvetica Bold Oblique",
    "Courier",     "Courier Bold",   "Courier Oblique,",  "Courier Bold Oblique",
    "Times Roman", "Times Bold",     "Times Italic,",     "Times Bold Italic",
    "Symbol",      "Zapf Dingbats"};

TPDFFont& PdfFontAt(TPDFOptions& o, int row) {
  TPDFFont* fonts[] = {&o.HeaderFont, &o.CaptionFont, &o.DataFont, &o.FooterFont};
  return *fonts[std::clamp(row, 0, 3)];
}

QString InUnits(TQExportUnits units, int points) {
  const double v = FromPoints(units, points);
  return units == TQExportUnits::unInch ? QString::number(v, 'f', 2) : QString::number(v, 'f', 0);
}

}  // namespace

PdfOptionsPage::PdfOptionsPage(TQExportDialogF& dialog) : DialogPage(dialog, "PdfPage") {
  QWidget* page = this;
  auto* outer = new QVBoxLayout(page);
  auto* sub = new QTabWidget(page);
  outer->addWidget(sub);

  auto* fonts = new QWidget(sub);
  auto* f = new QGridLayout(fonts);
  m_pdfFonts = new QListWidget(fonts);
  m_pdfFonts->setObjectName("PdfFonts");
  m_pdfFonts->addItems(
      {Tr("Police Entête"), Tr("Police titre"), Tr("Police données"), Tr("Police bas de page")});
  f->addWidget(m_pdfFonts, 0, 0, 5, 1);
  f->addWidget(new QLabel(Tr("Police"), fonts), 0, 1);
  m_pdfFontName = new QComboBox(fonts);
  for (const char* n : kPdfFontNames) m_pdfFontName->addItem(QString::fromUtf8(n));
  f->addWidget(m_pdfFontName, 0, 2);
  f->addWidget(new QLabel(Tr("Police Encoding"), fonts), 1, 1);
  m_pdfEncoding = new QComboBox(fonts);
  m_pdfEncoding->addItems(
      {"StandardEncoding", "WinAnsiEncoding", "MacRomanEncoding", "PDFDocEncoding"});
  f->addWidget(m_pdfEncoding, 1, 2);
  f->addWidget(new QLabel(Tr("Taille police"), fonts), 2, 1);
  m_pdfFontSize = new QLineEdit(fonts);
  f->addWidget(m_pdfFontSize, 2, 2);
  f->addWidget(new QLabel(Tr("Couleur police"), fonts), 3, 1);
  m_pdfFontColor = Tool(fonts, "", Tr("Couleur police"));
  f->addWidget(m_pdfFontColor, 3, 2);
  m_pdfSample = new QLabel(Tr("Exemple"), fonts);
  m_pdfSample->setObjectName("PdfSample");
  f->addWidget(m_pdfSample, 4, 1, 1, 2);
  sub->addTab(fonts, Tr("Polices"));

  auto* gridTab = new QWidget(sub);
  auto* g = new QGridLayout(gridTab);
  const auto line = [&](QGridLayout* l, int row, const QString& label, QLineEdit*& edit,
                        const char* name) {
    l->addWidget(new QLabel(label, l->parentWidget()), row, 0);
    edit = new QLineEdit(l->parentWidget());
    edit->setObjectName(name);
    l->addWidget(edit, row, 1);
  };
  line(g, 0, Tr("Inter colonne"), m_pdfColSpacing, "PdfColSpacing");
  line(g, 1, Tr("Inter ligne"), m_pdfRowSpacing, "PdfRowSpacing");
  line(g, 2, Tr("Epaisseur ligne"), m_pdfLineWidth, "PdfLineWidth");
  g->setRowStretch(3, 1);
  sub->addTab(gridTab, Tr("Options grille"));

  auto* pageTab = new QWidget(sub);
  auto* pg = new QGridLayout(pageTab);
  pg->addWidget(new QLabel(Tr("Page Size"), pageTab), 0, 0);
  m_pdfPageSize = new QComboBox(pageTab);
  m_pdfPageSize->setObjectName("PdfPageSize");
  m_pdfPageSize->addItems({Tr("Letter"), Tr("Legal"), Tr("A3"), Tr("A4"), Tr("A5"), Tr("B5(JIS)"),
                           Tr("US Std Fanfold"), Tr("Fanfold"), Tr("User")});
  pg->addWidget(m_pdfPageSize, 0, 1);
  line(pg, 1, Tr("Width"), m_pdfWidth, "PdfWidth");
  line(pg, 2, Tr("Height"), m_pdfHeight, "PdfHeight");
  pg->addWidget(new QLabel(Tr("Units"), pageTab), 3, 0);
  m_pdfUnits = new QComboBox(pageTab);
  m_pdfUnits->addItems({Tr("Inches"), Tr("Millimeters"), Tr("Dots")});
  pg->addWidget(m_pdfUnits, 3, 1);
  auto* orientation = new QGroupBox(Tr("Page Orientation"), pageTab);
  auto* o = new QHBoxLayout(orientation);
  m_pdfPortrait = new QRadioButton(Tr("Portrait"), orientation);
  m_pdfPortrait->setObjectName("PdfPortrait");
  m_pdfLandscape = new QRadioButton(Tr("Landscape"), orientation);
  m_pdfLandscape->setObjectName("PdfLandscape");
  o->addWidget(m_pdfPortrait);
  o->addWidget(m_pdfLandscape);
  pg->addWidget(orientation, 4, 0, 1, 2);
  auto* margins = new QGroupBox(Tr("Margins"), pageTab);
  auto* mg = new QGridLayout(margins);
  const char* sides[] = {"Left", "Right", "Top", "Bottom"};
  for (int i = 0; i < 4; ++i) {
    QLineEdit* edit = nullptr;
    line(mg, i, Tr(sides[i]), edit, sides[i]);
    m_pdfMargins.push_back(edit);
  }
  pg->addWidget(margins, 0, 2, 5, 1);
  sub->addTab(pageTab, Tr("Page Options"));

  TPDFOptions& opts = Choices().PDFExp.Options;
  const auto fontEdit = [this](const std::function<void(TPDFFont&)>& change) {
    if (Refreshing()) return;
    change(PdfFontAt(Choices().PDFExp.Options, m_pdfFonts->currentRow()));
    Refresh();
  };
  connect(m_pdfFonts, &QListWidget::currentRowChanged, this, [this](int) {
    if (!Refreshing()) Refresh();
  });
  connect(m_pdfFontName, &QComboBox::currentIndexChanged, this, [fontEdit](int i) {
    fontEdit([i](TPDFFont& font) { font.BaseFont = static_cast<TPDFFontName>(i); });
  });
  connect(m_pdfEncoding, &QComboBox::currentIndexChanged, this, [fontEdit](int i) {
    fontEdit([i](TPDFFont& font) { font.FontEncoding = static_cast<TPDFFontEncoding>(i); });
  });
  connect(m_pdfFontSize, &QLineEdit::textEdited, this, [fontEdit](const QString& t) {
    bool ok = false;
    const int size = t.toInt(&ok);
    fontEdit([&](TPDFFont& font) { font.FontSize = ok && size > 0 ? size : 10; });
  });
  connect(m_pdfFontColor, &QToolButton::clicked, this, [this, fontEdit] {
    TPDFFont& font = PdfFontAt(Choices().PDFExp.Options, m_pdfFonts->currentRow());
    if (auto c = qt::Ui().ChooseColor(&Dialog(), font.FontColor))
      fontEdit([&](TPDFFont& f) { f.FontColor = *c; });
  });
  connect(m_pdfColSpacing, &QLineEdit::textEdited, this, [&opts](const QString& t) {
    opts.ColSpacing = StrToFloatDefault(t.toStdString(), opts.ColSpacing);
  });
  connect(m_pdfRowSpacing, &QLineEdit::textEdited, this, [&opts](const QString& t) {
    opts.RowSpacing = StrToFloatDefault(t.toStdString(), opts.RowSpacing);
  });
  connect(m_pdfLineWidth, &QLineEdit::textEdited, this, [&opts](const QString& t) {
    bool ok = false;
    const int v = t.toInt(&ok);
    if (ok) opts.GridLineWidth = v;
  });
  connect(m_pdfPageSize, &QComboBox::currentIndexChanged, this, [this, &opts](int i) {
    if (Refreshing()) return;
    opts.PageOptions.SetFormat(static_cast<TQExportPageFormat>(i));
    if (i != static_cast<int>(TQExportPageFormat::pfUser) &&
        opts.PageOptions.Orientation() == TQExportPageOrientation::poLandscape) {
      // The size of the format, turned as the page is.
      auto p = opts.PageOptions.InPoints();
      std::swap(p.width, p.height);
      opts.PageOptions.SetPoints(p);
    }
    Refresh();
  });
  const auto size = [this, &opts](bool width, const QString& t) {
    const double v = StrToFloatDefault(
        t.toStdString(), width ? opts.PageOptions.Width() : opts.PageOptions.Height());
    width ? opts.PageOptions.SetWidth(v) : opts.PageOptions.SetHeight(v);
    const bool was = Refreshing();
    Refreshing() = true;
    m_pdfPageSize->setCurrentIndex(static_cast<int>(TQExportPageFormat::pfUser));
    Refreshing() = was;
  };
  connect(m_pdfWidth, &QLineEdit::textEdited, this, [size](const QString& t) { size(true, t); });
  connect(m_pdfHeight, &QLineEdit::textEdited, this, [size](const QString& t) { size(false, t); });
  connect(m_pdfUnits, &QComboBox::currentIndexChanged, this, [this, &opts](int i) {
    if (Refreshing()) return;
    opts.PageOptions.SetUnits(static_cast<TQExportUnits>(i));
    Refresh();
  });
  connect(m_pdfLandscape, &QRadioButton::toggled, this, [this, &opts](bool on) {
    if (Refreshing()) return;
    opts.PageOptions.SetOrientation(on ? TQExportPageOrientation::poLandscape
                                       : TQExportPageOrientation::poPortrait);
    Refresh();
  });
  for (size_t i = 0; i < 4; ++i)
    connect(m_pdfMargins[i], &QLineEdit::textEdited, this, [&opts, i](const QString& t) {
      TQExportPDFPageOptions& p = opts.PageOptions;
      const double current[] = {p.MarginLeft(), p.MarginRight(), p.MarginTop(), p.MarginBottom()};
      const double v = StrToFloatDefault(t.toStdString(), current[i]);
      switch (i) {
        case 0:
          p.SetMarginLeft(v);
          break;
        case 1:
          p.SetMarginRight(v);
          break;
        case 2:
          p.SetMarginTop(v);
          break;
        default:
          p.SetMarginBottom(v);
          break;
      }
    });
}

void PdfOptionsPage::Refresh() {
  const bool was = Refreshing();
  Refreshing() = true;
  TPDFOptions& o = Choices().PDFExp.Options;
  if (m_pdfFonts->currentRow() < 0) m_pdfFonts->setCurrentRow(0);
  const TPDFFont& font = PdfFontAt(o, m_pdfFonts->currentRow());
  m_pdfFontName->setCurrentIndex(static_cast<int>(font.BaseFont));
  m_pdfEncoding->setCurrentIndex(static_cast<int>(font.FontEncoding));
  m_pdfFontSize->setText(QString::number(font.FontSize));
  PaintSwatch(m_pdfFontColor, ToQColor(font.FontColor));
  // The sample in the screen font nearest to the base font.
  const QString base = QString::fromUtf8(kPdfFontNames[static_cast<int>(font.BaseFont)]).toUpper();
  QString family = Tr("Arial");
  if (base.startsWith("COURIER")) family = Tr("Courier New");
  if (base.startsWith("TIMES")) family = Tr("Times New Roman");
  if (base.startsWith("SYMBOL")) family = Tr("Symbol");
  QFont sample(family, font.FontSize > 0 ? font.FontSize : 10);
  sample.setBold(base.contains("BOLD"));
  sample.setItalic(base.contains("OBLIQUE") || base.contains("ITALIC"));
  m_pdfSample->setFont(sample);
  QPalette palette = m_pdfSample->palette();
  palette.setColor(QPalette::WindowText, ToQColor(font.FontColor));
  m_pdfSample->setPalette(palette);
  m_pdfColSpacing->setText(QString::number(o.ColSpacing, 'f', 1));
  m_pdfRowSpacing->setText(QString::number(o.RowSpacing, 'f', 1));
  m_pdfLineWidth->setText(QString::number(o.GridLineWidth));
  const TQExportPDFPageOptions& p = o.PageOptions;
  const auto points = p.InPoints();
  m_pdfPageSize->setCurrentIndex(static_cast<int>(p.Format()));
  m_pdfUnits->setCurrentIndex(static_cast<int>(p.Units()));
  m_pdfWidth->setText(InUnits(p.Units(), points.width));
  m_pdfHeight->setText(InUnits(p.Units(), points.height));
  m_pdfPortrait->setChecked(p.Orientation() == TQExportPageOrientation::poPortrait);
  m_pdfLandscape->setChecked(p.Orientation() == TQExportPageOrientation::poLandscape);
  const int margins[] = {points.left, points.right, points.top, points.bottom};
  for (size_t i = 0; i < 4; ++i) m_pdfMargins[i]->setText(InUnits(p.Units(), margins[i]));
  Refreshing() = was;
}

}  // namespace kvn::exporting
