#include "export_dialog/html_page.h"

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

// The HTML sample: the page background, the default and link texts and a
// small table; a click on an element chooses its colour.
class HtmlSample : public QWidget {
 public:
  explicit HtmlSample(HtmlOptionsPage* owner) : QWidget(owner), m_owner(owner) {
    setObjectName("HtmlSample");
    setMinimumSize(320, 150);
  }

  enum Element {
    Background,
    Text,
    HeadCell,
    HeadText,
    OddRow,
    EvenRow,
    DataText,
    Link,
    VLink,
    ALink,
    None
  };
  Element ElementAt(const QPoint& p) const {
    for (const auto& [rect, element] : Regions())
      if (rect.contains(p)) return element;
    return None;
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    const TQExportHTML& e = m_owner->Choices().HTMLExp;
    QPainter p(this);
    p.fillRect(rect(), ToQColor(e.HTMLOptions.BackgroundColor));
    const auto text = [&](const QRect& r, platform::TColor c, const QString& t) {
      p.setPen(ToQColor(c));
      p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, t);
    };
    for (const auto& [rect, element] : Regions()) {
      switch (element) {
        case Text:
          text(rect, e.HTMLOptions.TextFont.color, Tr("Texte par Défaut"));
          break;
        case Link:
          text(rect, e.HTMLOptions.LinkColor, Tr("Lien Non-visité"));
          break;
        case VLink:
          text(rect, e.HTMLOptions.VLinkColor, Tr("Lien Visité"));
          break;
        case ALink:
          text(rect, e.HTMLOptions.ALinkColor, Tr("Lien Actif"));
          break;
        case HeadCell:
          p.fillRect(rect, ToQColor(e.TableOptions.HeadersRowBgColor));
          break;
        case HeadText:
          text(rect, e.TableOptions.HeadersRowFontColor, Tr("Entête"));
          break;
        case OddRow:
          p.fillRect(rect, ToQColor(e.TableOptions.OddRowBgColor));
          break;
        case EvenRow:
          p.fillRect(rect, ToQColor(e.TableOptions.TableBgColor));
          break;
        case DataText:
          text(rect, e.TableOptions.TableFontColor, Tr("Données"));
          break;
        default:
          break;
      }
    }
  }
  void mousePressEvent(QMouseEvent* event) override {
    TQExportHTML& e = m_owner->Choices().HTMLExp;
    platform::TColor* colors[] = {
        &e.HTMLOptions.BackgroundColor,    &e.HTMLOptions.TextFont.color,
        &e.TableOptions.HeadersRowBgColor, &e.TableOptions.HeadersRowFontColor,
        &e.TableOptions.OddRowBgColor,     &e.TableOptions.TableBgColor,
        &e.TableOptions.TableFontColor,    &e.HTMLOptions.LinkColor,
        &e.HTMLOptions.VLinkColor,         &e.HTMLOptions.ALinkColor};
    const Element element = ElementAt(event->position().toPoint());
    if (element == None) return;
    if (auto c = qt::Ui().ChooseColor(&m_owner->Dialog(), *colors[element])) {
      *colors[element] = *c;
      e.SetHTMLTemplate(THTMLTemplate::htCustom);
      m_owner->Refresh();
    }
  }

 private:
  // Later regions lie over earlier ones: the texts over their cells.
  std::vector<std::pair<QRect, Element>> Regions() const {
    std::vector<std::pair<QRect, Element>> r;
    r.push_back({rect(), Background});
    r.push_back({QRect(10, 5, 140, 18), Text});
    r.push_back({QRect(10, 25, 140, 18), Link});
    r.push_back({QRect(10, 45, 140, 18), VLink});
    r.push_back({QRect(10, 65, 140, 18), ALink});
    for (int c = 0; c < 3; ++c) {
      r.push_back({QRect(160 + c * 52, 5, 50, 22), HeadCell});
      r.push_back({QRect(164 + c * 52, 8, 42, 16), HeadText});
    }
    for (int row = 0; row < 4; ++row)
      for (int c = 0; c < 3; ++c) {
        r.push_back({QRect(160 + c * 52, 29 + row * 24, 50, 22), row % 2 ? EvenRow : OddRow});
        r.push_back({QRect(164 + c * 52, 32 + row * 24, 42, 16), DataText});
      }
    return r;
  }
  HtmlOptionsPage* m_owner;
};

HtmlOptionsPage::HtmlOptionsPage(TQExportDialogF& dialog) : DialogPage(dialog, "HtmlPage") {
  QWidget* page = this;
  auto* outer = new QVBoxLayout(page);
  auto* sub = new QTabWidget(page);
  outer->addWidget(sub);

  auto* preview = new QWidget(sub);
  auto* p = new QGridLayout(preview);
  m_htmlSample = new HtmlSample(this);
  m_htmlSample->setParent(preview);
  p->addWidget(m_htmlSample, 0, 0, 1, 3);
  p->addWidget(new QLabel(Tr("Modèle"), preview), 1, 0);
  m_htmlTemplate = new QComboBox(preview);
  m_htmlTemplate->setObjectName("HtmlTemplate");
  m_htmlTemplate->addItems({Tr("Custom"), Tr("Black&White"), Tr("Classic"), Tr("ColorFul"),
                            Tr("Gray"), Tr("MS_Money"), Tr("Murky"), Tr("Olive"), Tr("Plain"),
                            Tr("Simple")});
  p->addWidget(m_htmlTemplate, 1, 1);
  auto* saveTemplate = new QPushButton(Tr("Sauver comme modèle..."), preview);
  auto* loadTemplate = new QPushButton(Tr("Charger modèle..."), preview);
  p->addWidget(saveTemplate, 2, 1);
  p->addWidget(loadTemplate, 2, 2);
  sub->addTab(preview, Tr("&Prévisualiser"));

  auto* basic = new QWidget(sub);
  auto* b = new QGridLayout(basic);
  b->addWidget(new QLabel(Tr("Titre"), basic), 0, 0);
  m_htmlTitle = new QLineEdit(basic);
  b->addWidget(m_htmlTitle, 0, 1);
  auto* css = new QGroupBox(Tr("Utiliser Cascade Style Sheets"), basic);
  auto* c = new QGridLayout(css);
  m_htmlInternal = new QRadioButton(Tr("Interne"), css);
  m_htmlExternal = new QRadioButton(Tr("Externe"), css);
  c->addWidget(m_htmlInternal, 0, 0);
  c->addWidget(m_htmlExternal, 0, 1);
  c->addWidget(new QLabel(Tr("Nom fichier CSS"), css), 1, 0);
  m_htmlCssFile = new QLineEdit(css);
  c->addWidget(m_htmlCssFile, 1, 1);
  auto* browseCss = new QPushButton(Tr("..."), css);
  c->addWidget(browseCss, 1, 2);
  m_htmlOverwrite = new QCheckBox(Tr("Ecraser le fichier CSS s'il existe"), css);
  c->addWidget(m_htmlOverwrite, 2, 0, 1, 3);
  b->addWidget(css, 1, 0, 1, 2);
  b->addWidget(new QLabel(Tr("Encodage"), basic), 2, 0);
  m_htmlEncoding = EncodingChoice(basic, "HtmlEncoding", {"windows-1252", "UTF-8", "ISO-8859-15"},
                                  [this](const std::string& v) { Choices().HTMLExp.Encoding = v; });
  b->addWidget(m_htmlEncoding, 2, 1);
  b->setRowStretch(3, 1);
  sub->addTab(basic, Tr("&Basique"));

  auto* multi = new QWidget(sub);
  auto* m = new QGridLayout(multi);
  m_htmlMulti = new QCheckBox(Tr("Utiliser export Multi-fichiers"), multi);
  m->addWidget(m_htmlMulti, 0, 0, 1, 3);
  m->addWidget(new QLabel(Tr("Maximum"), multi), 1, 0);
  m_htmlMax = new QSpinBox(multi);
  m_htmlMax->setRange(0, 1 << 30);
  m->addWidget(m_htmlMax, 1, 1);
  m->addWidget(new QLabel(Tr("enregistrement(s) dans un fichier"), multi), 1, 2);
  m_htmlIndex = new QCheckBox(Tr("Générer index"), multi);
  m->addWidget(m_htmlIndex, 2, 0, 1, 3);
  auto* nav = new QGroupBox(Tr(" Navigation "), multi);
  auto* n = new QGridLayout(nav);
  m_htmlTop = new QCheckBox(Tr("En haut"), nav);
  m_htmlBottom = new QCheckBox(Tr("En bas"), nav);
  n->addWidget(m_htmlTop, 0, 0);
  n->addWidget(m_htmlBottom, 0, 1);
  n->addWidget(new QLabel(Tr("Modèle Lien Index"), nav), 1, 0);
  m_htmlIndexTemplate = new QLineEdit(nav);
  n->addWidget(m_htmlIndexTemplate, 1, 1);
  const char* titles[] = {"Index", "Premier", "Précédent", "Suivant", "Dernier"};
  for (int i = 0; i < 5; ++i) {
    n->addWidget(new QLabel(Tr(titles[i]), nav), 2 + i, 0);
    m_htmlLinkTitles.push_back(new QLineEdit(nav));
    n->addWidget(m_htmlLinkTitles.back(), 2 + i, 1);
  }
  m->addWidget(nav, 3, 0, 1, 3);
  sub->addTab(multi, Tr("&Multi-Fichier"));

  auto* advanced = new QWidget(sub);
  auto* a = new QGridLayout(advanced);
  auto* body = new QGroupBox(Tr("Options Body"), advanced);
  auto* bo = new QGridLayout(body);
  bo->addWidget(new QLabel(Tr("Police"), body), 0, 0);
  m_htmlFont = new QComboBox(body);
  m_htmlFont->setEditable(true);
  m_htmlFont->addItems(QFontDatabase::families());
  bo->addWidget(m_htmlFont, 0, 1, 1, 2);
  bo->addWidget(new QLabel(Tr("Fond"), body), 1, 0);
  m_htmlBodyBackground = new QLineEdit(body);
  bo->addWidget(m_htmlBodyBackground, 1, 1);
  auto* browseBody = new QPushButton(Tr("..."), body);
  bo->addWidget(browseBody, 1, 2);
  bo->addWidget(new QLabel(Tr("Attributs Avancés"), body), 2, 0);
  m_htmlBodyAttributes = new QPlainTextEdit(body);
  bo->addWidget(m_htmlBodyAttributes, 2, 1, 1, 2);
  a->addWidget(body, 0, 0);
  auto* table = new QGroupBox(Tr("Options Table"), advanced);
  auto* t = new QGridLayout(table);
  const auto spin = [&](int row, const QString& label, QSpinBox*& box) {
    t->addWidget(new QLabel(label, table), row, 0);
    box = new QSpinBox(table);
    box->setRange(0, 1024);
    t->addWidget(box, row, 1);
  };
  spin(0, Tr("Cell padding"), m_htmlPadding);
  spin(1, Tr("Cell spacing"), m_htmlSpacing);
  spin(2, Tr("Bordure"), m_htmlBorder);
  t->addWidget(new QLabel(Tr("Fond"), table), 3, 0);
  m_htmlTableBackground = new QLineEdit(table);
  t->addWidget(m_htmlTableBackground, 3, 1);
  auto* browseTable = new QPushButton(Tr("..."), table);
  t->addWidget(browseTable, 3, 2);
  t->addWidget(new QLabel(Tr("Attributs Avancés"), table), 4, 0);
  m_htmlTableAttributes = new QPlainTextEdit(table);
  t->addWidget(m_htmlTableAttributes, 4, 1, 1, 2);
  a->addWidget(table, 0, 1);
  sub->addTab(advanced, Tr("&Avancé"));

  TQExportHTML& e = Choices().HTMLExp;
  connect(m_htmlTemplate, &QComboBox::currentIndexChanged, this, [this, &e](int i) {
    if (Refreshing()) return;
    e.SetHTMLTemplate(static_cast<THTMLTemplate>(i));
    Refresh();
  });
  const QString templateFilter = Tr("Modèles HTML (*.htf)|*.htf");
  connect(saveTemplate, &QPushButton::clicked, this, [this, templateFilter] {
    if (auto name = qt::Ui().SaveFileName(&Dialog(), templateFilter, QString(), "htf")) {
      try {
        Choices().HTMLExp.SaveTemplateToFile(name->toStdString());
      } catch (const std::exception& err) {
        qt::Ui().Error(&Dialog(), QString::fromUtf8(err.what()));
      }
    }
  });
  connect(loadTemplate, &QPushButton::clicked, this, [this, templateFilter] {
    if (auto name = qt::Ui().OpenFileName(&Dialog(), templateFilter)) {
      try {
        Choices().HTMLExp.LoadTemplateFromFile(name->toStdString());
      } catch (const std::exception& err) {
        qt::Ui().Error(&Dialog(), QString::fromUtf8(err.what()));
      }
      Choices().HTMLExp.SetHTMLTemplate(THTMLTemplate::htCustom);
      Refresh();
    }
  });
  connect(m_htmlTitle, &QLineEdit::textEdited, this,
          [&e](const QString& v) { e.Title = ToUtf8(v); });
  connect(m_htmlExternal, &QRadioButton::toggled, this, [this, &e](bool on) {
    if (!Refreshing()) e.UsingCSS = on ? TUsingCSS::usExternal : TUsingCSS::usInternal;
  });
  connect(m_htmlCssFile, &QLineEdit::textEdited, this,
          [&e](const QString& v) { e.CSSFileName = v.toStdString(); });
  connect(m_htmlOverwrite, &QCheckBox::toggled, this, [&e](bool on) { e.OverwriteCSSFile = on; });
  connect(browseCss, &QPushButton::clicked, this, [this] {
    if (auto name =
            qt::Ui().SaveFileName(&Dialog(), Tr("Feuilles de style (*.css)|*.css"),
                                  QString::fromStdString(Choices().HTMLExp.CSSFileName), "css")) {
      Choices().HTMLExp.CSSFileName = name->toStdString();
      Refresh();
    }
  });
  const auto toggled = [this](QCheckBox* box, std::function<void(bool)> set) {
    connect(box, &QCheckBox::toggled, this, [this, set](bool on) {
      if (Refreshing()) return;
      set(on);
      Refresh();
    });
  };
  toggled(m_htmlMulti, [this](bool on) { Choices().HtmlMultiFile = on; });
  connect(m_htmlMax, &QSpinBox::valueChanged, this, [this](int v) {
    if (!Refreshing()) Choices().HtmlMaxRecords = v;
  });
  toggled(m_htmlIndex, [&e](bool on) { e.GenerateIndex = on; });
  toggled(m_htmlTop, [&e](bool on) { e.Navigation.OnTop = on; });
  toggled(m_htmlBottom, [&e](bool on) { e.Navigation.OnBottom = on; });
  connect(m_htmlIndexTemplate, &QLineEdit::textEdited, this,
          [&e](const QString& v) { e.Navigation.IndexLinkTemplate = ToUtf8(v); });
  std::string* linkTitles[] = {&e.Navigation.IndexLinkTitle, &e.Navigation.FirstLinkTitle,
                               &e.Navigation.PriorLinkTitle, &e.Navigation.NextLinkTitle,
                               &e.Navigation.LastLinkTitle};
  for (size_t i = 0; i < 5; ++i)
    connect(m_htmlLinkTitles[i], &QLineEdit::textEdited, this,
            [title = linkTitles[i]](const QString& v) { *title = ToUtf8(v); });
  connect(m_htmlFont, &QComboBox::currentTextChanged, this, [this, &e](const QString& v) {
    if (!Refreshing()) e.HTMLOptions.TextFont.name = ToUtf8(v);
  });
  connect(m_htmlBodyBackground, &QLineEdit::textEdited, this,
          [&e](const QString& v) { e.HTMLOptions.BackgroundFileName = v.toStdString(); });
  connect(m_htmlTableBackground, &QLineEdit::textEdited, this,
          [&e](const QString& v) { e.TableOptions.BackgroundFileName = v.toStdString(); });
  const QString pictures = Tr("Images (*.gif;*.jpg;*.jpeg;*.bmp)|*.gif;*.jpg;*.jpeg;*.bmp");
  connect(browseBody, &QPushButton::clicked, this, [this, pictures] {
    if (auto name = qt::Ui().OpenFileName(&Dialog(), pictures)) {
      Choices().HTMLExp.HTMLOptions.BackgroundFileName = name->toStdString();
      Refresh();
    }
  });
  connect(browseTable, &QPushButton::clicked, this, [this, pictures] {
    if (auto name = qt::Ui().OpenFileName(&Dialog(), pictures)) {
      Choices().HTMLExp.TableOptions.BackgroundFileName = name->toStdString();
      Refresh();
    }
  });
  connect(m_htmlBodyAttributes, &QPlainTextEdit::textChanged, this, [this, &e] {
    if (!Refreshing())
      e.HTMLOptions.AdvancedAttributes = FromLines(m_htmlBodyAttributes->toPlainText());
  });
  connect(m_htmlTableAttributes, &QPlainTextEdit::textChanged, this, [this, &e] {
    if (!Refreshing())
      e.TableOptions.AdvancedAttributes = FromLines(m_htmlTableAttributes->toPlainText());
  });
  connect(m_htmlPadding, &QSpinBox::valueChanged, this, [this, &e](int v) {
    if (!Refreshing()) e.TableOptions.CellPadding = v;
  });
  connect(m_htmlSpacing, &QSpinBox::valueChanged, this, [this, &e](int v) {
    if (!Refreshing()) e.TableOptions.CellSpacing = v;
  });
  connect(m_htmlBorder, &QSpinBox::valueChanged, this, [this, &e](int v) {
    if (!Refreshing()) e.TableOptions.Border = v;
  });
}

void HtmlOptionsPage::Refresh() {
  const bool was = Refreshing();
  Refreshing() = true;
  ExportChoices& c = Choices();
  const TQExportHTML& e = c.HTMLExp;
  m_htmlTemplate->setCurrentIndex(static_cast<int>(e.HTMLTemplate()));
  m_htmlTitle->setText(ToQString(e.Title));
  m_htmlEncoding->setCurrentText(ToQString(e.Encoding));
  m_htmlInternal->setChecked(e.UsingCSS == TUsingCSS::usInternal);
  m_htmlExternal->setChecked(e.UsingCSS == TUsingCSS::usExternal);
  m_htmlCssFile->setText(QString::fromStdString(e.CSSFileName));
  m_htmlOverwrite->setChecked(e.OverwriteCSSFile);
  m_htmlMulti->setChecked(c.HtmlMultiFile);
  m_htmlMax->setValue(c.HtmlMaxRecords);
  m_htmlIndex->setChecked(e.GenerateIndex);
  m_htmlTop->setChecked(e.Navigation.OnTop);
  m_htmlBottom->setChecked(e.Navigation.OnBottom);
  m_htmlIndexTemplate->setText(ToQString(e.Navigation.IndexLinkTemplate));
  const std::string titles[] = {e.Navigation.IndexLinkTitle, e.Navigation.FirstLinkTitle,
                                e.Navigation.PriorLinkTitle, e.Navigation.NextLinkTitle,
                                e.Navigation.LastLinkTitle};
  for (size_t i = 0; i < 5; ++i) m_htmlLinkTitles[i]->setText(ToQString(titles[i]));
  // What a choice leaves no use for is disabled.
  const bool multi = c.HtmlMultiFile;
  const bool navigation = e.Navigation.OnTop || e.Navigation.OnBottom;
  m_htmlMax->setEnabled(multi);
  m_htmlIndex->setEnabled(multi);
  m_htmlTop->setEnabled(multi);
  m_htmlBottom->setEnabled(multi);
  m_htmlIndexTemplate->setEnabled(multi && e.GenerateIndex);
  m_htmlLinkTitles[0]->setEnabled(multi && navigation && e.GenerateIndex);
  for (size_t i = 1; i < 5; ++i) m_htmlLinkTitles[i]->setEnabled(multi && navigation);
  m_htmlFont->setCurrentText(ToQString(e.HTMLOptions.TextFont.name));
  m_htmlBodyBackground->setText(QString::fromStdString(e.HTMLOptions.BackgroundFileName));
  m_htmlTableBackground->setText(QString::fromStdString(e.TableOptions.BackgroundFileName));
  m_htmlBodyAttributes->setPlainText(ToQString(Lines(e.HTMLOptions.AdvancedAttributes)));
  m_htmlTableAttributes->setPlainText(ToQString(Lines(e.TableOptions.AdvancedAttributes)));
  m_htmlPadding->setValue(e.TableOptions.CellPadding);
  m_htmlSpacing->setValue(e.TableOptions.CellSpacing);
  m_htmlBorder->setValue(e.TableOptions.Border);
  m_htmlSample->update();
  Refreshing() = was;
}

}  // namespace kvn::exporting
