#include "export_dialog/xls_page.h"

#include <QButtonGroup>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "export_dialog/dialog_util.h"
#include "export_dialog/page_widgets.h"
#include "qt_support/prompts.h"

namespace kvn::exporting {

std::vector<TxlsFormat*> XlsOptionsPage::SelectedFormats() {
  std::vector<TxlsFormat*> formats;
  ExportChoices& c = Choices();
  TQExportXLS& e = c.XLSExp;
  TxlsFormat* areas[] = {&e.Options.HeaderFormat, &e.Options.CaptionsFormat,
                         &e.Options.AggregateFormat, &e.Options.FooterFormat};
  QListWidget* list = m_xlsLists->currentIndex() == 0   ? m_xlsFields
                      : m_xlsLists->currentIndex() == 1 ? m_xlsAreas
                                                        : m_xlsStyles;
  // The first selected is the reference, then the others.
  QList<QListWidgetItem*> items = list->selectedItems();
  if (QListWidgetItem* current = list->currentItem(); current && current->isSelected()) {
    items.removeAll(current);
    items.prepend(current);
  }
  for (QListWidgetItem* item : items) {
    const int row = list->row(item);
    if (list == m_xlsFields && row < static_cast<int>(c.XlsFields.size()))
      formats.push_back(&c.XlsFields[static_cast<size_t>(row)]);
    if (list == m_xlsAreas && row < 4) formats.push_back(areas[row]);
    if (list == m_xlsStyles && row < static_cast<int>(c.XlsStyles.size()))
      formats.push_back(&c.XlsStyles[static_cast<size_t>(row)]);
  }
  return formats;
}

void XlsOptionsPage::Edit(const std::function<void(TxlsFormat&)>& change) {
  if (Refreshing()) return;
  for (TxlsFormat* f : SelectedFormats()) change(*f);
  RefreshEditor();
}

XlsOptionsPage::XlsOptionsPage(TQExportDialogF& dialog) : DialogPage(dialog, "XlsPage") {
  QWidget* page = this;
  auto* outer = new QVBoxLayout(page);
  auto* sub = new QTabWidget(page);
  outer->addWidget(sub);

  // "Format Données": the three lists and the format editor.
  auto* data = new QWidget(sub);
  auto* dataLayout = new QHBoxLayout(data);
  m_xlsLists = new QTabWidget(data);
  m_xlsFields = new QListWidget(m_xlsLists);
  m_xlsFields->setObjectName("XlsFields");
  m_xlsAreas = new QListWidget(m_xlsLists);
  m_xlsAreas->setObjectName("XlsAreas");
  auto* stylesTab = new QWidget(m_xlsLists);
  auto* stylesLayout = new QVBoxLayout(stylesTab);
  auto* strip = new QHBoxLayout();
  strip->addWidget(new QLabel(Tr("Rayures"), stylesTab));
  for (const char* text : {"Sans", "Col", "Ligne"}) {
    auto* b = new QRadioButton(Tr(text), stylesTab);
    m_xlsStrip.push_back(b);
    strip->addWidget(b);
  }
  stylesLayout->addLayout(strip);
  auto* styleTools = new QHBoxLayout();
  m_styleAdd = Tool(stylesTab, "+", Tr("Ajouter style"));
  m_styleDelete = Tool(stylesTab, "-", Tr("Supprimer style"));
  m_styleUp = Tool(stylesTab, "^", Tr("Vers le haut"));
  m_styleDown = Tool(stylesTab, "v", Tr("Vers le bas"));
  m_styleSave = Tool(stylesTab, "S", Tr("Sauvegarder style"));
  m_styleLoad = Tool(stylesTab, "C", Tr("Charger style"));
  for (QToolButton* b :
       {m_styleAdd, m_styleDelete, m_styleUp, m_styleDown, m_styleSave, m_styleLoad})
    styleTools->addWidget(b);
  stylesLayout->addLayout(styleTools);
  m_xlsStyles = new QListWidget(stylesTab);
  m_xlsStyles->setObjectName("XlsStyles");
  stylesLayout->addWidget(m_xlsStyles);
  for (QListWidget* l : {m_xlsFields, m_xlsAreas, m_xlsStyles})
    l->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_xlsLists->addTab(m_xlsFields, Tr("Champs"));
  m_xlsLists->addTab(m_xlsAreas, Tr("Options"));
  m_xlsLists->addTab(stylesTab, Tr("Styles"));
  dataLayout->addWidget(m_xlsLists);

  auto* editor = new QWidget(data);
  auto* editorLayout = new QVBoxLayout(editor);
  m_xlsEditorTabs = new QTabWidget(editor);
  // Police.
  auto* font = new QWidget(m_xlsEditorTabs);
  auto* fontGrid = new QGridLayout(font);
  m_xlsFont = new QComboBox(font);
  m_xlsFont->addItems(QFontDatabase::families());
  m_xlsFont->setEditable(true);
  m_xlsSize = new QComboBox(font);
  m_xlsSize->setEditable(true);
  for (int s : {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
    m_xlsSize->addItem(QString::number(s));
  fontGrid->addWidget(m_xlsFont, 0, 0, 1, 4);
  fontGrid->addWidget(m_xlsSize, 0, 4);
  m_xlsFontColor = Tool(font, "A", Tr("Couleur police"));
  m_xlsBold = Tool(font, "G", Tr("Gras"), true);
  m_xlsItalic = Tool(font, "I", Tr("Italique"), true);
  m_xlsStrike = Tool(font, "B", Tr("Barré"), true);
  const char* underlines[] = {"Sous-ligné simple", "Sous-ligné simple tiret", "Sous-ligné double",
                              "Sous-ligné double tiret"};
  auto* row1 = new QHBoxLayout();
  for (QToolButton* b : {m_xlsFontColor, m_xlsBold, m_xlsItalic, m_xlsStrike}) row1->addWidget(b);
  for (int i = 0; i < 4; ++i) {
    m_xlsUnderline.push_back(Tool(font, QString("S%1").arg(i + 1), Tr(underlines[i]), true));
    row1->addWidget(m_xlsUnderline.back());
  }
  fontGrid->addLayout(row1, 1, 0, 1, 5);
  auto* row2 = new QHBoxLayout();
  for (const char* text : {"gauche", "Centre", "Droite", "Remplir"}) {
    m_xlsHAlign.push_back(Tool(font, Tr(text).left(1), Tr(text), true));
    row2->addWidget(m_xlsHAlign.back());
  }
  for (const char* text : {"Haut", "Centre", "Bas"}) {
    m_xlsVAlign.push_back(Tool(font, Tr(text).left(1), Tr(text), true));
    m_xlsVAlign.back()->setObjectName(QStringLiteral("V") + QString::fromUtf8(text));
    row2->addWidget(m_xlsVAlign.back());
  }
  fontGrid->addLayout(row2, 2, 0, 1, 5);
  m_xlsEditorTabs->addTab(font, Tr("&Police"));
  // Encadrement.
  auto* borders = new QWidget(m_xlsEditorTabs);
  auto* borderGrid = new QGridLayout(borders);
  const char* sides[] = {"haut", "bas", "gauche", "droit"};
  for (int i = 0; i < 4; ++i) {
    m_xlsBorderToggles.push_back(
        Tool(borders, Tr(sides[i]), Tr("Encadrement %1").arg(Tr(sides[i])), true));
    auto* style = new QComboBox(borders);
    for (int s = 0; s <= 13; ++s) style->addItem(QString::number(s));
    m_xlsBorderStyles.push_back(style);
    m_xlsBorderColors.push_back(Tool(borders, "", Tr("Couleur encadrement %1").arg(Tr(sides[i]))));
    borderGrid->addWidget(m_xlsBorderToggles.back(), i, 0);
    borderGrid->addWidget(style, i, 1);
    borderGrid->addWidget(m_xlsBorderColors.back(), i, 2);
  }
  m_xlsEditorTabs->addTab(borders, Tr("&Encadrement"));
  // Remplir.
  auto* fill = new QWidget(m_xlsEditorTabs);
  auto* fillLayout = new QHBoxLayout(fill);
  m_xlsBackground = Tool(fill, "", Tr("Couleur fond"));
  m_xlsPattern = new QComboBox(fill);
  for (int p = 0; p <= 18; ++p) m_xlsPattern->addItem(QString::number(p));
  m_xlsForeground = Tool(fill, "", Tr("Couleur avant plan"));
  fillLayout->addWidget(m_xlsBackground);
  fillLayout->addWidget(m_xlsPattern);
  fillLayout->addWidget(m_xlsForeground);
  m_xlsEditorTabs->addTab(fill, Tr("Remplir"));
  // Aggregat.
  m_xlsAggregateTab = new QWidget(m_xlsEditorTabs);
  auto* aggLayout = new QVBoxLayout(m_xlsAggregateTab);
  m_xlsAggregate = new QComboBox(m_xlsAggregateTab);
  m_xlsAggregate->addItems({Tr("Aucun"), Tr("Somme"), Tr("Moyenne"), Tr("Min"), Tr("Max")});
  aggLayout->addWidget(m_xlsAggregate);
  m_xlsEditorTabs->addTab(m_xlsAggregateTab, Tr("&Aggregat"));
  editorLayout->addWidget(m_xlsEditorTabs);
  m_xlsSample = new QLabel(Tr("  Exemple cellule"), editor);
  m_xlsSample->setObjectName("XlsSample");
  m_xlsSample->setMinimumHeight(30);
  m_xlsSample->setAutoFillBackground(true);
  editorLayout->addWidget(m_xlsSample);
  auto* resets = new QHBoxLayout();
  auto* resetItem = new QPushButton(Tr("Réinitialiser item"), editor);
  auto* resetAll = new QPushButton(Tr("Réinitialiser tout"), editor);
  resets->addWidget(resetItem);
  resets->addWidget(resetAll);
  editorLayout->addLayout(resets);
  dataLayout->addWidget(editor);
  sub->addTab(data, Tr("Format &Données"));

  // "Avancé".
  auto* advanced = new QWidget(sub);
  auto* adv = new QGridLayout(advanced);
  m_xlsPageHeader = new QLineEdit(advanced);
  m_xlsPageFooter = new QLineEdit(advanced);
  m_xlsSheetTitle = new QLineEdit(advanced);
  m_xlsAutoWidth = new QCheckBox(Tr("Calcul Auto de la largeur de colonne"), advanced);
  adv->addWidget(new QLabel(Tr("Entête"), advanced), 0, 0);
  adv->addWidget(m_xlsPageHeader, 0, 1);
  adv->addWidget(new QLabel(Tr("Pied de page"), advanced), 1, 0);
  adv->addWidget(m_xlsPageFooter, 1, 1);
  adv->addWidget(new QLabel(Tr("Titre feuille"), advanced), 2, 0);
  adv->addWidget(m_xlsSheetTitle, 2, 1);
  adv->addWidget(m_xlsAutoWidth, 3, 0, 1, 2);
  adv->setRowStretch(4, 1);
  sub->addTab(advanced, Tr("A&vancé"));

  // Editing.
  connect(m_xlsLists, &QTabWidget::currentChanged, this, [this](int) { RefreshEditor(); });
  for (QListWidget* l : {m_xlsFields, m_xlsAreas, m_xlsStyles})
    connect(l, &QListWidget::itemSelectionChanged, this, [this] {
      if (!Refreshing()) RefreshEditor();
    });
  connect(m_xlsFont, &QComboBox::currentTextChanged, this,
          [this](const QString& t) { Edit([&](TxlsFormat& f) { f.Font.Name = ToUtf8(t); }); });
  connect(m_xlsSize, &QComboBox::currentTextChanged, this, [this](const QString& t) {
    bool ok = false;
    const int size = t.toInt(&ok);
    Edit([&](TxlsFormat& f) { f.Font.Size = ok ? size : 10; });
  });
  const auto style = [this](QToolButton* b, TxlsFontStyle s) {
    connect(b, &QToolButton::toggled, this,
            [this, s](bool on) { Edit([&](TxlsFormat& f) { f.Font.Style.Set(s, on); }); });
  };
  style(m_xlsBold, xfsBold);
  style(m_xlsItalic, xfsItalic);
  style(m_xlsStrike, xfsStrikeOut);
  for (size_t i = 0; i < 4; ++i)
    connect(m_xlsUnderline[i], &QToolButton::toggled, this, [this, i](bool on) {
      Edit([&](TxlsFormat& f) {
        f.Font.Underline = on ? static_cast<TxlsFontUnderline>(i + 1) : fulNone;
      });
    });
  const TxlsHorizontalAlignment h[] = {halLeft, halCenter, halRight, halFill};
  for (size_t i = 0; i < 4; ++i)
    connect(m_xlsHAlign[i], &QToolButton::toggled, this, [this, value = h[i]](bool on) {
      Edit([&](TxlsFormat& f) { f.Alignment.Horizontal = on ? value : halGeneral; });
    });
  const TxlsVerticalAlignment v[] = {valTop, valCenter, valBottom};
  for (size_t i = 0; i < 3; ++i)
    connect(m_xlsVAlign[i], &QToolButton::toggled, this, [this, value = v[i]](bool on) {
      if (on) Edit([&](TxlsFormat& f) { f.Alignment.Vertical = value; });
    });
  connect(m_xlsFontColor, &QToolButton::clicked, this, [this] {
    auto formats = SelectedFormats();
    if (formats.empty()) return;
    const TxlsColor c = Hooks().ChooseXlsColor(&Dialog(), formats.front()->Font.Color);
    Edit([&](TxlsFormat& f) { f.Font.Color = c; });
  });
  const auto border = [](TxlsFormat& f, size_t i) -> TxlsBorder& {
    TxlsBorder* b[] = {&f.Borders.Top, &f.Borders.Bottom, &f.Borders.Left, &f.Borders.Right};
    return *b[i];
  };
  for (size_t i = 0; i < 4; ++i) {
    connect(m_xlsBorderToggles[i], &QToolButton::toggled, this, [this, i, border](bool on) {
      Edit([&](TxlsFormat& f) {
        TxlsBorder& b = border(f, i);
        if (on && b.Style == bstNone) b.Style = static_cast<TxlsBorderStyle>(1);
        if (!on) b.Style = bstNone;
      });
    });
    connect(m_xlsBorderStyles[i], &QComboBox::currentIndexChanged, this, [this, i, border](int s) {
      Edit([&](TxlsFormat& f) { border(f, i).Style = static_cast<TxlsBorderStyle>(s); });
    });
    connect(m_xlsBorderColors[i], &QToolButton::clicked, this, [this, i, border] {
      auto formats = SelectedFormats();
      if (formats.empty()) return;
      const TxlsColor c = Hooks().ChooseXlsColor(&Dialog(), border(*formats.front(), i).Color);
      Edit([&](TxlsFormat& f) { border(f, i).Color = c; });
    });
  }
  connect(m_xlsBackground, &QToolButton::clicked, this, [this] {
    auto formats = SelectedFormats();
    if (formats.empty()) return;
    const TxlsColor c = Hooks().ChooseXlsColor(&Dialog(), formats.front()->Fill.Background);
    Edit([&](TxlsFormat& f) {
      f.Fill.Background = c;
      if (c != clrWhite && f.Fill.Pattern == ptNone) f.Fill.Pattern = static_cast<TxlsPattern>(1);
    });
  });
  connect(m_xlsForeground, &QToolButton::clicked, this, [this] {
    auto formats = SelectedFormats();
    if (formats.empty()) return;
    const TxlsColor c = Hooks().ChooseXlsColor(&Dialog(), formats.front()->Fill.Foreground);
    Edit([&](TxlsFormat& f) { f.Fill.Foreground = c; });
  });
  connect(m_xlsPattern, &QComboBox::currentIndexChanged, this, [this](int p) {
    Edit([&](TxlsFormat& f) {
      f.Fill.Pattern = static_cast<TxlsPattern>(p);
      if (p == 0) f.Fill.Background = clrWhite;
    });
  });
  connect(m_xlsAggregate, &QComboBox::currentIndexChanged, this, [this](int a) {
    if (m_xlsLists->currentIndex() != 0) return;
    Edit([&](TxlsFormat& f) {
      if (auto* field = dynamic_cast<TxlsFieldFormat*>(&f))
        field->Aggregate = static_cast<TxlsAggregate>(a);
    });
  });
  connect(resetItem, &QPushButton::clicked, this, [this] {
    const bool captions = m_xlsLists->currentIndex() == 1 && m_xlsAreas->currentRow() == 1;
    Edit([&](TxlsFormat& f) {
      f.SetDefault();
      if (captions) f.Font.Style.Include(xfsBold);
    });
  });
  connect(resetAll, &QPushButton::clicked, this, [this] {
    if (!qt::Ui().Question(
            &Dialog(), Tr("Attention!"),
            Tr("Tous les formats de champs vont être réinitialisés avec leur valeur par "
               "défaut.\r\nEtes vous sûr?"),
            true))
      return;
    ExportChoices& c = Choices();
    switch (m_xlsLists->currentIndex()) {
      case 0:
        for (TxlsFieldFormat& f : c.XlsFields) f.SetDefault();
        break;
      case 1:
        c.XLSExp.Options.HeaderFormat.SetDefault();
        c.XLSExp.Options.CaptionsFormat.SetDefault();
        c.XLSExp.Options.CaptionsFormat.Font.Style.Include(xfsBold);
        c.XLSExp.Options.AggregateFormat.SetDefault();
        c.XLSExp.Options.FooterFormat.SetDefault();
        break;
      default:
        for (TxlsFormat& f : c.XlsStyles) f.SetDefault();
        break;
    }
    RefreshEditor();
  });
  for (size_t i = 0; i < 3; ++i)
    connect(m_xlsStrip[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on && !Refreshing()) Choices().XLSExp.StripType = static_cast<TxlsStripType>(i);
    });
  connect(m_styleAdd, &QToolButton::clicked, this, [this] {
    Choices().XlsStyles.emplace_back();
    Refresh();
    m_xlsStyles->clearSelection();
    m_xlsStyles->setCurrentRow(m_xlsStyles->count() - 1);
  });
  connect(m_styleDelete, &QToolButton::clicked, this, [this] {
    const int row = m_xlsStyles->currentRow();
    auto& styles = Choices().XlsStyles;
    if (row < 0 || row >= static_cast<int>(styles.size())) return;
    styles.erase(styles.begin() + row);
    Refresh();
    if (!styles.empty())
      m_xlsStyles->setCurrentRow(std::min(row, static_cast<int>(styles.size()) - 1));
  });
  const auto swap = [this](int delta) {
    const int row = m_xlsStyles->currentRow();
    auto& styles = Choices().XlsStyles;
    const int other = row + delta;
    if (row < 0 || other < 0 || other >= static_cast<int>(styles.size())) return;
    std::swap(styles[static_cast<size_t>(row)], styles[static_cast<size_t>(other)]);
    Refresh();
    m_xlsStyles->setCurrentRow(other);
  };
  connect(m_styleUp, &QToolButton::clicked, this, [swap] { swap(-1); });
  connect(m_styleDown, &QToolButton::clicked, this, [swap] { swap(1); });
  const QString styleFilter = Tr("Styles (*.stl)|*.stl|All files (*.*)|*.*");
  connect(m_styleSave, &QToolButton::clicked, this, [this, styleFilter] {
    if (auto name = qt::Ui().SaveFileName(&Dialog(), styleFilter, QString(), "stl")) {
      try {
        Choices().SaveXlsStyles(name->toStdString());
      } catch (const std::exception& e) {
        qt::Ui().Error(&Dialog(), QString::fromUtf8(e.what()));
      }
    }
  });
  connect(m_styleLoad, &QToolButton::clicked, this, [this, styleFilter] {
    if (auto name = qt::Ui().OpenFileName(&Dialog(), styleFilter)) {
      try {
        Choices().LoadXlsStyles(name->toStdString());
      } catch (const std::exception& e) {
        qt::Ui().Error(&Dialog(), QString::fromUtf8(e.what()));
      }
      Refresh();
      if (m_xlsStyles->count() > 0) m_xlsStyles->setCurrentRow(0);
    }
  });
  connect(m_xlsPageHeader, &QLineEdit::textEdited, this,
          [this](const QString& t) { Choices().XLSExp.Options.PageHeader = ToUtf8(t); });
  connect(m_xlsPageFooter, &QLineEdit::textEdited, this,
          [this](const QString& t) { Choices().XLSExp.Options.PageFooter = ToUtf8(t); });
  connect(m_xlsSheetTitle, &QLineEdit::textEdited, this,
          [this](const QString& t) { Choices().XLSExp.Options.SetSheetTitle(ToUtf8(t)); });
  connect(m_xlsAutoWidth, &QCheckBox::toggled, this,
          [this](bool on) { Choices().XLSExp.AutoCalcColWidth = on; });
}

void XlsOptionsPage::Refresh() {
  if (!m_xlsFields) return;
  const bool was = Refreshing();
  Refreshing() = true;
  ExportChoices& c = Choices();
  const auto keep = [](QListWidget* l) {
    std::vector<int> rows;
    for (QListWidgetItem* i : l->selectedItems()) rows.push_back(l->row(i));
    return std::make_pair(rows, l->currentRow());
  };
  const auto restore = [](QListWidget* l, const std::pair<std::vector<int>, int>& s) {
    if (s.second >= 0 && s.second < l->count()) l->setCurrentRow(s.second);
    for (int r : s.first)
      if (r < l->count()) l->item(r)->setSelected(true);
  };
  const auto fields = keep(m_xlsFields), areas = keep(m_xlsAreas), styles = keep(m_xlsStyles);
  m_xlsFields->clear();
  for (const TxlsFieldFormat& f : c.XlsFields) {
    auto* item = new QListWidgetItem(ToQString(f.FieldName), m_xlsFields);
    // The fields the export writes are marked.
    item->setCheckState(c.IsExported(f.FieldName) ? Qt::Checked : Qt::Unchecked);
    item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
  }
  m_xlsAreas->clear();
  for (const char* area : {"ENTETE", "LIBELLE", "AGGREGAT", "PIED DE PAGE"})
    m_xlsAreas->addItem(Tr(area));
  m_xlsStyles->clear();
  for (size_t i = 0; i < c.XlsStyles.size(); ++i)
    m_xlsStyles->addItem(QString::fromStdString(ExportChoices::StyleName(i)));
  restore(m_xlsFields, fields);
  restore(m_xlsAreas, areas);
  restore(m_xlsStyles, styles);
  for (size_t i = 0; i < 3; ++i)
    m_xlsStrip[i]->setChecked(c.XLSExp.StripType == static_cast<TxlsStripType>(i));
  const int row = m_xlsStyles->currentRow();
  const int count = m_xlsStyles->count();
  m_styleDelete->setEnabled(row >= 0);
  m_styleUp->setEnabled(row > 0);
  m_styleDown->setEnabled(row >= 0 && row < count - 1);
  m_styleSave->setEnabled(count > 0);
  Refreshing() = was;
  RefreshEditor();
}

void XlsOptionsPage::RefreshEditor() {
  if (!m_xlsFields) return;
  const bool was = Refreshing();
  Refreshing() = true;
  m_xlsEditorTabs->setTabVisible(m_xlsEditorTabs->indexOf(m_xlsAggregateTab),
                                 m_xlsLists->currentIndex() == 0);
  const int row = m_xlsStyles->currentRow();
  m_styleDelete->setEnabled(row >= 0);
  m_styleUp->setEnabled(row > 0);
  m_styleDown->setEnabled(row >= 0 && row < m_xlsStyles->count() - 1);
  m_styleSave->setEnabled(m_xlsStyles->count() > 0);
  auto formats = SelectedFormats();
  if (!formats.empty()) {
    const TxlsFormat& f = *formats.front();
    m_xlsFont->setCurrentText(ToQString(f.Font.Name));
    m_xlsSize->setCurrentText(QString::number(f.Font.Size));
    m_xlsBold->setChecked(f.Font.Style.Has(xfsBold));
    m_xlsItalic->setChecked(f.Font.Style.Has(xfsItalic));
    m_xlsStrike->setChecked(f.Font.Style.Has(xfsStrikeOut));
    for (size_t i = 0; i < 4; ++i)
      m_xlsUnderline[i]->setChecked(f.Font.Underline == static_cast<TxlsFontUnderline>(i + 1));
    const TxlsHorizontalAlignment h[] = {halLeft, halCenter, halRight, halFill};
    for (size_t i = 0; i < 4; ++i) m_xlsHAlign[i]->setChecked(f.Alignment.Horizontal == h[i]);
    const TxlsVerticalAlignment v[] = {valTop, valCenter, valBottom};
    for (size_t i = 0; i < 3; ++i) m_xlsVAlign[i]->setChecked(f.Alignment.Vertical == v[i]);
    const TxlsBorder* b[] = {&f.Borders.Top, &f.Borders.Bottom, &f.Borders.Left, &f.Borders.Right};
    for (size_t i = 0; i < 4; ++i) {
      m_xlsBorderToggles[i]->setChecked(b[i]->Style != bstNone);
      m_xlsBorderStyles[i]->setCurrentIndex(static_cast<int>(b[i]->Style));
      PaintSwatch(m_xlsBorderColors[i], XlsScreen(b[i]->Color));
    }
    PaintSwatch(m_xlsFontColor, XlsScreen(f.Font.Color));
    PaintSwatch(m_xlsBackground, XlsScreen(f.Fill.Background));
    PaintSwatch(m_xlsForeground, XlsScreen(f.Fill.Foreground));
    m_xlsPattern->setCurrentIndex(static_cast<int>(f.Fill.Pattern));
    if (auto* field = dynamic_cast<const TxlsFieldFormat*>(&f))
      m_xlsAggregate->setCurrentIndex(static_cast<int>(field->Aggregate));
    // The sample cell.
    QFont sample(ToQString(f.Font.Name), std::max(6, std::min(f.Font.Size, 24)));
    sample.setBold(f.Font.Style.Has(xfsBold));
    sample.setItalic(f.Font.Style.Has(xfsItalic));
    sample.setStrikeOut(f.Font.Style.Has(xfsStrikeOut));
    sample.setUnderline(f.Font.Underline != fulNone);
    m_xlsSample->setFont(sample);
    QPalette palette = m_xlsSample->palette();
    palette.setColor(QPalette::Window, XlsScreen(f.Fill.Background));
    palette.setColor(QPalette::WindowText, XlsScreen(f.Font.Color));
    m_xlsSample->setPalette(palette);
    const Qt::Alignment ha = f.Alignment.Horizontal == halCenter  ? Qt::AlignHCenter
                             : f.Alignment.Horizontal == halRight ? Qt::AlignRight
                                                                  : Qt::AlignLeft;
    const Qt::Alignment va = f.Alignment.Vertical == valTop      ? Qt::AlignTop
                             : f.Alignment.Vertical == valCenter ? Qt::AlignVCenter
                                                                 : Qt::AlignBottom;
    m_xlsSample->setAlignment(ha | va);
  }
  m_xlsPageHeader->setText(ToQString(Choices().XLSExp.Options.PageHeader));
  m_xlsPageFooter->setText(ToQString(Choices().XLSExp.Options.PageFooter));
  m_xlsSheetTitle->setText(ToQString(Choices().XLSExp.Options.SheetTitle()));
  m_xlsAutoWidth->setChecked(Choices().XLSExp.AutoCalcColWidth);
  Refreshing() = was;
}

}  // namespace kvn::exporting
