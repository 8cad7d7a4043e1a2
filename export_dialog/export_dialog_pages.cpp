// The format pages of the export dialog: Excel, Word / RTF, HTML, XML, PDF,
// ASCII and SQL.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "export_dialog/dialog_util.h"
#include "export_dialog/export_dialog.h"
#include "export_dialog/page_widgets.h"
#include "export_dialog/xls_page.h"

namespace kvn::exporting {

namespace {

std::string Lines(const StringList& list) {
  std::string text;
  for (size_t i = 0; i < list.Count(); ++i) text += (i ? "\n" : "") + list[i];
  return text;
}

StringList FromLines(const QString& text) {
  StringList list;
  if (text.isEmpty()) return list;
  for (const QString& line : text.split('\n')) list.Add(ToUtf8(line));
  return list;
}

const char* const kPdfFontNames[] = {
    "Helvetica",   "Helvetica Bold", "Helvetica Oblique", "Helvetica Bold Oblique",
    "Courier",     "Courier Bold",   "Courier Oblique,",  "Courier Bold Oblique",
    "Times Roman", "Times Bold",     "Times Italic,",     "Times Bold Italic",
    "Symbol",      "Zapf Dingbats"};

}  // namespace

// ----------------------------------------------------------------- Word / RTF

QWidget* TQExportDialogF::BuildRtfPage() {
  auto* page = new QWidget(this);
  page->setObjectName("RtfPage");
  auto* grid = new QGridLayout(page);
  const auto fontRow = [&](int row, const QString& title, QLabel*& sample,
                           Font& (*font)(TQExportDialogF&)) {
    auto* group = new QGroupBox(title, page);
    auto* l = new QHBoxLayout(group);
    sample = new QLabel(group);
    sample->setMinimumWidth(200);
    sample->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* choose = new QPushButton(Tr("Choisir..."), group);
    l->addWidget(sample, 1);
    l->addWidget(choose);
    grid->addWidget(group, row, 0);
    const auto pick = [this, font] {
      Font& f = font(*this);
      if (auto chosen = Hooks().ChooseFont(this, f)) {
        f = *chosen;
        RefreshFormatPages();
      }
    };
    connect(choose, &QPushButton::clicked, this, pick);
    // A double click on the sample chooses too.
    sample->installEventFilter(new EventHook(sample, [pick](QObject*, QEvent* e) {
      if (e->type() != QEvent::MouseButtonDblClick) return false;
      pick();
      return true;
    }));
  };
  fontRow(0, Tr("Police par défaut"), m_rtfDefaultSample,
          [](TQExportDialogF& w) -> Font& { return w.m_choices->RTFExp.Options.DefaultFont; });
  fontRow(1, Tr("Police titre ligne"), m_rtfHeaderSample,
          [](TQExportDialogF& w) -> Font& { return w.m_choices->RTFExp.Options.HeaderFont; });
  auto* orientation = new QGroupBox(Tr(" Orientation Page "), page);
  auto* o = new QHBoxLayout(orientation);
  m_rtfPortrait = new QRadioButton(Tr("Portrait"), orientation);
  m_rtfLandscape = new QRadioButton(Tr("Landscape"), orientation);
  o->addWidget(m_rtfPortrait);
  o->addWidget(m_rtfLandscape);
  grid->addWidget(orientation, 2, 0);
  grid->setRowStretch(3, 1);
  connect(m_rtfLandscape, &QRadioButton::toggled, this, [this](bool on) {
    if (!m_refreshing)
      m_choices->RTFExp.Options.PageOrientation =
          on ? TQExportPageOrientation::poLandscape : TQExportPageOrientation::poPortrait;
  });
  return page;
}

// ----------------------------------------------------------------- HTML

// The HTML sample: the page background, the default and link texts and a
// small table; a click on an element chooses its colour.
class HtmlSample : public QWidget {
 public:
  explicit HtmlSample(TQExportDialogF* owner) : QWidget(owner), m_owner(owner) {
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
    const TQExportHTML& e = m_owner->m_choices->HTMLExp;
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
    TQExportHTML& e = m_owner->m_choices->HTMLExp;
    platform::TColor* colors[] = {
        &e.HTMLOptions.BackgroundColor,    &e.HTMLOptions.TextFont.color,
        &e.TableOptions.HeadersRowBgColor, &e.TableOptions.HeadersRowFontColor,
        &e.TableOptions.OddRowBgColor,     &e.TableOptions.TableBgColor,
        &e.TableOptions.TableFontColor,    &e.HTMLOptions.LinkColor,
        &e.HTMLOptions.VLinkColor,         &e.HTMLOptions.ALinkColor};
    const Element element = ElementAt(event->position().toPoint());
    if (element == None) return;
    if (auto c = m_owner->Hooks().ChooseColor(m_owner, *colors[element])) {
      *colors[element] = *c;
      e.SetHTMLTemplate(THTMLTemplate::htCustom);
      m_owner->RefreshHtmlPage();
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
  TQExportDialogF* m_owner;
};

QWidget* TQExportDialogF::BuildHtmlPage() {
  auto* page = new QWidget(this);
  page->setObjectName("HtmlPage");
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
  m_htmlEncoding =
      EncodingChoice(basic, "HtmlEncoding", {"windows-1252", "UTF-8", "ISO-8859-15"},
                     [this](const std::string& v) { m_choices->HTMLExp.Encoding = v; });
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

  TQExportHTML& e = m_choices->HTMLExp;
  connect(m_htmlTemplate, &QComboBox::currentIndexChanged, this, [this, &e](int i) {
    if (m_refreshing) return;
    e.SetHTMLTemplate(static_cast<THTMLTemplate>(i));
    RefreshHtmlPage();
  });
  const QString templateFilter = Tr("Modèles HTML (*.htf)|*.htf");
  connect(saveTemplate, &QPushButton::clicked, this, [this, templateFilter] {
    if (auto name = Hooks().SaveFileName(this, templateFilter, QString(), "htf")) {
      try {
        m_choices->HTMLExp.SaveTemplateToFile(name->toStdString());
      } catch (const std::exception& err) {
        Hooks().Error(this, QString::fromUtf8(err.what()));
      }
    }
  });
  connect(loadTemplate, &QPushButton::clicked, this, [this, templateFilter] {
    if (auto name = Hooks().OpenFileName(this, templateFilter)) {
      try {
        m_choices->HTMLExp.LoadTemplateFromFile(name->toStdString());
      } catch (const std::exception& err) {
        Hooks().Error(this, QString::fromUtf8(err.what()));
      }
      m_choices->HTMLExp.SetHTMLTemplate(THTMLTemplate::htCustom);
      RefreshHtmlPage();
    }
  });
  connect(m_htmlTitle, &QLineEdit::textEdited, this,
          [&e](const QString& v) { e.Title = ToUtf8(v); });
  connect(m_htmlExternal, &QRadioButton::toggled, this, [this, &e](bool on) {
    if (!m_refreshing) e.UsingCSS = on ? TUsingCSS::usExternal : TUsingCSS::usInternal;
  });
  connect(m_htmlCssFile, &QLineEdit::textEdited, this,
          [&e](const QString& v) { e.CSSFileName = v.toStdString(); });
  connect(m_htmlOverwrite, &QCheckBox::toggled, this, [&e](bool on) { e.OverwriteCSSFile = on; });
  connect(browseCss, &QPushButton::clicked, this, [this] {
    if (auto name =
            Hooks().SaveFileName(this, Tr("Feuilles de style (*.css)|*.css"),
                                 QString::fromStdString(m_choices->HTMLExp.CSSFileName), "css")) {
      m_choices->HTMLExp.CSSFileName = name->toStdString();
      RefreshHtmlPage();
    }
  });
  const auto toggled = [this](QCheckBox* box, std::function<void(bool)> set) {
    connect(box, &QCheckBox::toggled, this, [this, set](bool on) {
      if (m_refreshing) return;
      set(on);
      RefreshHtmlPage();
    });
  };
  toggled(m_htmlMulti, [this](bool on) { m_choices->HtmlMultiFile = on; });
  connect(m_htmlMax, &QSpinBox::valueChanged, this, [this](int v) {
    if (!m_refreshing) m_choices->HtmlMaxRecords = v;
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
    if (!m_refreshing) e.HTMLOptions.TextFont.name = ToUtf8(v);
  });
  connect(m_htmlBodyBackground, &QLineEdit::textEdited, this,
          [&e](const QString& v) { e.HTMLOptions.BackgroundFileName = v.toStdString(); });
  connect(m_htmlTableBackground, &QLineEdit::textEdited, this,
          [&e](const QString& v) { e.TableOptions.BackgroundFileName = v.toStdString(); });
  const QString pictures = Tr("Images (*.gif;*.jpg;*.jpeg;*.bmp)|*.gif;*.jpg;*.jpeg;*.bmp");
  connect(browseBody, &QPushButton::clicked, this, [this, pictures] {
    if (auto name = Hooks().OpenFileName(this, pictures)) {
      m_choices->HTMLExp.HTMLOptions.BackgroundFileName = name->toStdString();
      RefreshHtmlPage();
    }
  });
  connect(browseTable, &QPushButton::clicked, this, [this, pictures] {
    if (auto name = Hooks().OpenFileName(this, pictures)) {
      m_choices->HTMLExp.TableOptions.BackgroundFileName = name->toStdString();
      RefreshHtmlPage();
    }
  });
  connect(m_htmlBodyAttributes, &QPlainTextEdit::textChanged, this, [this, &e] {
    if (!m_refreshing)
      e.HTMLOptions.AdvancedAttributes = FromLines(m_htmlBodyAttributes->toPlainText());
  });
  connect(m_htmlTableAttributes, &QPlainTextEdit::textChanged, this, [this, &e] {
    if (!m_refreshing)
      e.TableOptions.AdvancedAttributes = FromLines(m_htmlTableAttributes->toPlainText());
  });
  connect(m_htmlPadding, &QSpinBox::valueChanged, this, [this, &e](int v) {
    if (!m_refreshing) e.TableOptions.CellPadding = v;
  });
  connect(m_htmlSpacing, &QSpinBox::valueChanged, this, [this, &e](int v) {
    if (!m_refreshing) e.TableOptions.CellSpacing = v;
  });
  connect(m_htmlBorder, &QSpinBox::valueChanged, this, [this, &e](int v) {
    if (!m_refreshing) e.TableOptions.Border = v;
  });
  return page;
}

void TQExportDialogF::RefreshHtmlPage() {
  const bool was = m_refreshing;
  m_refreshing = true;
  ExportChoices& c = *m_choices;
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
  m_refreshing = was;
}

// ----------------------------------------------------------------- XML

QComboBox* TQExportDialogF::EncodingChoice(QWidget* parent, const char* objectName,
                                           const QStringList& names,
                                           std::function<void(const std::string&)> set) {
  auto* box = new QComboBox(parent);
  box->setObjectName(objectName);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->addItems(names);
  box->setToolTip(
      Tr("Le jeu de caractères du fichier. Les caractères qu'il ne contient pas sont "
         "remplacés (et comptés à la fin de l'export)."));
  connect(box, &QComboBox::currentTextChanged, this,
          [this, set = std::move(set)](const QString& v) {
            if (!m_refreshing) set(ToUtf8(v.trimmed()));
          });
  return box;
}

QWidget* TQExportDialogF::BuildXmlPage() {
  auto* page = new QWidget(this);
  page->setObjectName("XmlPage");
  auto* grid = new QGridLayout(page);
  m_xmlStandalone = new QCheckBox(Tr("Autonome"), page);
  m_xmlStandalone->setObjectName("XmlStandalone");
  grid->addWidget(m_xmlStandalone, 0, 0, 1, 2);
  grid->addWidget(new QLabel(Tr("Encodage"), page), 1, 0);
  // Empty: no encoding named, characters past ASCII as references.
  m_xmlEncoding = EncodingChoice(
      page, "XmlEncoding", {"", "UTF-8", "windows-1252", "ISO-8859-1", "ISO-8859-15", "UTF-16"},
      [this](const std::string& v) { m_choices->XMLExp.Options.Encoding = v; });
  grid->addWidget(m_xmlEncoding, 1, 1);
  grid->setRowStretch(2, 1);
  connect(m_xmlStandalone, &QCheckBox::toggled, this,
          [this](bool on) { m_choices->XMLExp.Options.StandAlone = on; });
  return page;
}

// ----------------------------------------------------------------- PDF

namespace {

TPDFFont& PdfFontAt(TPDFOptions& o, int row) {
  TPDFFont* fonts[] = {&o.HeaderFont, &o.CaptionFont, &o.DataFont, &o.FooterFont};
  return *fonts[std::clamp(row, 0, 3)];
}

QString InUnits(TQExportUnits units, int points) {
  const double v = FromPoints(units, points);
  return units == TQExportUnits::unInch ? QString::number(v, 'f', 2) : QString::number(v, 'f', 0);
}

}  // namespace

QWidget* TQExportDialogF::BuildPdfPage() {
  auto* page = new QWidget(this);
  page->setObjectName("PdfPage");
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

  TPDFOptions& opts = m_choices->PDFExp.Options;
  const auto fontEdit = [this](const std::function<void(TPDFFont&)>& change) {
    if (m_refreshing) return;
    change(PdfFontAt(m_choices->PDFExp.Options, m_pdfFonts->currentRow()));
    RefreshPdfPage();
  };
  connect(m_pdfFonts, &QListWidget::currentRowChanged, this, [this](int) {
    if (!m_refreshing) RefreshPdfPage();
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
    TPDFFont& font = PdfFontAt(m_choices->PDFExp.Options, m_pdfFonts->currentRow());
    if (auto c = Hooks().ChooseColor(this, font.FontColor))
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
    if (m_refreshing) return;
    opts.PageOptions.SetFormat(static_cast<TQExportPageFormat>(i));
    if (i != static_cast<int>(TQExportPageFormat::pfUser) &&
        opts.PageOptions.Orientation() == TQExportPageOrientation::poLandscape) {
      // The size of the format, turned as the page is.
      auto p = opts.PageOptions.InPoints();
      std::swap(p.width, p.height);
      opts.PageOptions.SetPoints(p);
    }
    RefreshPdfPage();
  });
  const auto size = [this, &opts](bool width, const QString& t) {
    const double v = StrToFloatDefault(
        t.toStdString(), width ? opts.PageOptions.Width() : opts.PageOptions.Height());
    width ? opts.PageOptions.SetWidth(v) : opts.PageOptions.SetHeight(v);
    const bool was = m_refreshing;
    m_refreshing = true;
    m_pdfPageSize->setCurrentIndex(static_cast<int>(TQExportPageFormat::pfUser));
    m_refreshing = was;
  };
  connect(m_pdfWidth, &QLineEdit::textEdited, this, [size](const QString& t) { size(true, t); });
  connect(m_pdfHeight, &QLineEdit::textEdited, this, [size](const QString& t) { size(false, t); });
  connect(m_pdfUnits, &QComboBox::currentIndexChanged, this, [this, &opts](int i) {
    if (m_refreshing) return;
    opts.PageOptions.SetUnits(static_cast<TQExportUnits>(i));
    RefreshPdfPage();
  });
  connect(m_pdfLandscape, &QRadioButton::toggled, this, [this, &opts](bool on) {
    if (m_refreshing) return;
    opts.PageOptions.SetOrientation(on ? TQExportPageOrientation::poLandscape
                                       : TQExportPageOrientation::poPortrait);
    RefreshPdfPage();
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
  return page;
}

void TQExportDialogF::RefreshPdfPage() {
  const bool was = m_refreshing;
  m_refreshing = true;
  TPDFOptions& o = m_choices->PDFExp.Options;
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
  m_refreshing = was;
}

// ----------------------------------------------------------------- ASCII

QWidget* TQExportDialogF::BuildAsciiPage() {
  auto* page = new QWidget(this);
  page->setObjectName("AsciiPage");
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
                     [this](const std::string& v) { m_choices->ASCIIExp.Encoding = v; });
  encoding->addWidget(m_asciiEncoding, 1);
  layout->addLayout(encoding);
  layout->addStretch();
  connect(m_txtAutoWidth, &QCheckBox::toggled, this,
          [this](bool on) { m_choices->TxtAutoCalcColWidth = on; });
  connect(m_txtSpacing, &QSpinBox::valueChanged, this, [this](int v) {
    if (!m_refreshing) m_choices->TxtSpacing = v;
  });
  connect(m_csvQuoteStrings, &QCheckBox::toggled, this,
          [this](bool on) { m_choices->ASCIIExp.CSVQuoteStrings = on; });
  // A separator is typed as the character itself or as "#" and its code.
  connect(m_csvComma, &QLineEdit::textEdited, this, [this](const QString& v) {
    if (!v.isEmpty()) m_choices->ASCIIExp.CSVComma = SettingTextToChar(ToUtf8(v));
  });
  connect(m_csvQuote, &QLineEdit::textEdited, this, [this](const QString& v) {
    m_choices->ASCIIExp.CSVQuote = SettingTextToChar(ToUtf8(v));
  });
  return page;
}

// ----------------------------------------------------------------- SQL

QWidget* TQExportDialogF::BuildSqlPage() {
  auto* page = new QWidget(this);
  page->setObjectName("SqlPage");
  auto* layout = new QVBoxLayout(page);
  auto* table = new QGroupBox(Tr("Options Table"), page);
  auto* t = new QGridLayout(table);
  m_sqlCreate = new QCheckBox(Tr("Ajouter \"Create Table\""), table);
  t->addWidget(m_sqlCreate, 0, 0, 1, 2);
  t->addWidget(new QLabel(Tr("Nom de Table"), table), 1, 0);
  m_sqlTable = new QLineEdit(table);
  m_sqlTable->setObjectName("SqlTable");
  t->addWidget(m_sqlTable, 1, 1);
  layout->addWidget(table);
  auto* commit = new QGroupBox(Tr("Options Commit"), page);
  auto* c = new QGridLayout(commit);
  c->addWidget(new QLabel(Tr("Commit après"), commit), 0, 0);
  m_sqlCommitCount = new QSpinBox(commit);
  m_sqlCommitCount->setRange(0, 1 << 30);
  c->addWidget(m_sqlCommitCount, 0, 1);
  c->addWidget(new QLabel(Tr("enregistrement(s)"), commit), 0, 2);
  m_sqlCommitAfter = new QCheckBox(Tr("Commit en fin de script"), commit);
  c->addWidget(m_sqlCommitAfter, 1, 0, 1, 3);
  c->addWidget(new QLabel(Tr("Commande Commit"), commit), 2, 0);
  m_sqlCommitStatement = new QLineEdit(commit);
  c->addWidget(m_sqlCommitStatement, 2, 1, 1, 2);
  layout->addWidget(commit);
  auto* other = new QGroupBox(Tr("Autres Options"), page);
  auto* o = new QGridLayout(other);
  o->addWidget(new QLabel(Tr("Exporter null comme"), other), 0, 0);
  m_sqlNull = new QLineEdit(other);
  o->addWidget(m_sqlNull, 0, 1);
  o->addWidget(new QLabel(Tr("Fin de commande"), other), 1, 0);
  m_sqlTerm = new QLineEdit(other);
  m_sqlTerm->setMaxLength(1);
  o->addWidget(m_sqlTerm, 1, 1);
  o->addWidget(new QLabel(Tr("Encodage"), other), 2, 0);
  m_sqlEncoding = EncodingChoice(other, "SqlEncoding", {"UTF-8", "windows-1252", "ISO-8859-15"},
                                 [this](const std::string& v) { m_choices->SQLExp.Encoding = v; });
  o->addWidget(m_sqlEncoding, 2, 1);
  layout->addWidget(other);
  layout->addStretch();
  TQExportSQL& e = m_choices->SQLExp;
  connect(m_sqlCreate, &QCheckBox::toggled, this, [&e](bool on) { e.CreateTable = on; });
  connect(m_sqlTable, &QLineEdit::textEdited, this,
          [this](const QString& v) { m_choices->SqlTableName = ToUtf8(v); });
  connect(m_sqlCommitCount, &QSpinBox::valueChanged, this, [this, &e](int v) {
    if (!m_refreshing) e.CommitRecCount = v;
  });
  connect(m_sqlCommitAfter, &QCheckBox::toggled, this, [&e](bool on) { e.CommitAfterScript = on; });
  connect(m_sqlCommitStatement, &QLineEdit::textEdited, this,
          [&e](const QString& v) { e.CommitStatement = ToUtf8(v); });
  // The same value as the formats page's null string.
  connect(m_sqlNull, &QLineEdit::textEdited, this, [this](const QString& v) {
    m_choices->Formats.SetNullString(ToUtf8(v));
    m_formatEdits[8]->setText(v);
  });
  connect(m_sqlTerm, &QLineEdit::textEdited, this,
          [this](const QString& v) { m_choices->SqlStatementTerm = ToUtf8(v); });
  return page;
}

// ----------------------------------------------------------------- all pages

void TQExportDialogF::RefreshFormatPages() {
  const bool was = m_refreshing;
  m_refreshing = true;
  ExportChoices& c = *m_choices;
  // Word / RTF.
  const auto describe = [](const Font& f) {
    return ToQString(f.name) + Tr(", %1 pt").arg(f.size) + (f.bold ? Tr(", gras") : QString()) +
           (f.italic ? Tr(", italique") : QString());
  };
  const auto sample = [&describe](QLabel* label, const Font& f) {
    label->setText(describe(f));
    QFont font(ToQString(f.name), f.size > 0 ? f.size : 8);
    font.setBold(f.bold);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    label->setFont(font);
  };
  sample(m_rtfDefaultSample, c.RTFExp.Options.DefaultFont);
  sample(m_rtfHeaderSample, c.RTFExp.Options.HeaderFont);
  m_rtfPortrait->setChecked(c.RTFExp.Options.PageOrientation ==
                            TQExportPageOrientation::poPortrait);
  m_rtfLandscape->setChecked(c.RTFExp.Options.PageOrientation ==
                             TQExportPageOrientation::poLandscape);
  // XML.
  m_xmlStandalone->setChecked(c.XMLExp.Options.StandAlone);
  m_xmlEncoding->setCurrentText(ToQString(c.XMLExp.Options.Encoding));
  m_asciiEncoding->setCurrentText(ToQString(c.ASCIIExp.Encoding));
  m_sqlEncoding->setCurrentText(ToQString(c.SQLExp.Encoding));
  // ASCII.
  m_txtAutoWidth->setChecked(c.TxtAutoCalcColWidth);
  m_txtSpacing->setValue(c.TxtSpacing);
  m_csvQuoteStrings->setChecked(c.ASCIIExp.CSVQuoteStrings);
  m_csvComma->setText(ToQString(CharToSettingText(c.ASCIIExp.CSVComma)));
  m_csvQuote->setText(
      ToQString(c.ASCIIExp.CSVQuote ? CharToSettingText(c.ASCIIExp.CSVQuote) : std::string()));
  // SQL.
  m_sqlCreate->setChecked(c.SQLExp.CreateTable);
  m_sqlTable->setText(ToQString(c.SqlTableName));
  m_sqlCommitCount->setValue(c.SQLExp.CommitRecCount);
  m_sqlCommitAfter->setChecked(c.SQLExp.CommitAfterScript);
  m_sqlCommitStatement->setText(ToQString(c.SQLExp.CommitStatement));
  m_sqlNull->setText(ToQString(c.Formats.NullString()));
  m_sqlTerm->setText(ToQString(c.SqlStatementTerm));
  m_refreshing = was;
  if (m_xlsPage) m_xlsPage->Refresh();
  RefreshHtmlPage();
  RefreshPdfPage();
}

}  // namespace kvn::exporting
