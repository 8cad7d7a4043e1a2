#include "app/film_details.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QTabBar>

#include "catalogue/film_rules.h"
#include "qt_support/prompts.h"

namespace kvn::app {

namespace {

template <typename T>
T* Bind(T* box, const char* name, DataSource* source, const char* field) {
  box->setObjectName(name);
  box->SetDataSource(source);
  box->SetDataField(QString::fromUtf8(field));
  return box;
}

// A page being hidden while it holds the focus hands it to the tab bar first:
// otherwise the focus would go on to the next box of the window (a button
// that acts when reached with Tab).
class KeepFocusOnTabs : public QObject {
 public:
  KeepFocusOnTabs(QTabWidget* tabs) : QObject(tabs), m_tabs(tabs) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Hide) {
      auto* page = static_cast<QWidget*>(watched);
      QWidget* focus = QApplication::focusWidget();
      if (focus && page->isAncestorOf(focus)) m_tabs->tabBar()->setFocus(Qt::OtherFocusReason);
    }
    return false;
  }

 private:
  QTabWidget* m_tabs;
};

}  // namespace

FilmDetailsPage::FilmDetailsPage(DataSource* source, QWidget* parent) : QWidget(parent) {
  setObjectName("Details");
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(10, 8, 10, 8);
  grid->setVerticalSpacing(4);
  auto label = [&](const QString& text, QWidget* buddy, int row, int column) {
    auto* l = new QLabel(text, this);
    l->setBuddy(buddy);
    grid->addWidget(l, row, column, buddy == MemoResume ? Qt::AlignTop : Qt::Alignment());
  };
  EditAnnee = Bind(new DBEdit(this), "EditAnnee", source, "Année");
  EditAnnee->setMaxLength(4);
  EditAnnee->setMaximumWidth(60);
  SpinNote = Bind(new DBSpinBox(0, 10, this), "SpinNote", source, "Note");
  SpinNote->setSuffix(QStringLiteral(" / 10"));
  SpinNote->setMaximumWidth(90);
  SpinNote->setToolTip(QStringLiteral("Votre note, de 0 à 10 (— : pas de note)"));
  CheckVu = Bind(new DBCheckBox(QStringLiteral("&Vu"), this), "CheckVu", source, "Vu");
  EditRealisateur = Bind(new DBEdit(this), "EditRealisateur", source, "Réalisateur");
  EditActeurs = Bind(new DBEdit(this), "EditActeurs", source, "Acteurs");
  EditActeurs->setPlaceholderText(QStringLiteral("séparés par des virgules"));
  EditPays = Bind(new DBComboBox(this), "EditPays", source, "Pays");
  EditPays->addItems({"France", "Belgique", "Suisse", "Québec", "Canada", "États-Unis",
                      "Royaume-Uni", "Italie", "Espagne", "Allemagne", "Japon"});
  EditPays->Link().Reload();
  EditTitreOriginal = Bind(new DBEdit(this), "EditTitreOriginal", source, "Titre_original");
  MemoResume = Bind(new DBMemo(this), "MemoResume", source, "Résumé");
  EditEAN = Bind(new DBEdit(this), "EditEAN", source, "EAN");
  EditEAN->setMaxLength(13);
  EditEAN->setToolTip(QStringLiteral("Code-barres EAN de 8 ou 13 chiffres"));

  label(QStringLiteral("&Année"), EditAnnee, 0, 0);
  grid->addWidget(EditAnnee, 0, 1);
  label(QStringLiteral("&Note"), SpinNote, 0, 2);
  grid->addWidget(SpinNote, 0, 3);
  grid->addWidget(CheckVu, 0, 4);
  label(QStringLiteral("&Réalisateur"), EditRealisateur, 1, 0);
  grid->addWidget(EditRealisateur, 1, 1, 1, 4);
  label(QStringLiteral("A&cteurs"), EditActeurs, 2, 0);
  grid->addWidget(EditActeurs, 2, 1, 1, 4);
  label(QStringLiteral("&Pays"), EditPays, 3, 0);
  grid->addWidget(EditPays, 3, 1);
  label(QStringLiteral("&EAN"), EditEAN, 3, 2);
  grid->addWidget(EditEAN, 3, 3, 1, 2);
  label(QStringLiteral("&Titre original"), EditTitreOriginal, 4, 0);
  grid->addWidget(EditTitreOriginal, 4, 1, 1, 4);
  label(QStringLiteral("Ré&sumé"), MemoResume, 5, 0);
  grid->addWidget(MemoResume, 5, 1, 1, 4);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(4, 1);
  grid->setRowStretch(5, 1);
}

void FilmDetailsPage::ChainFocus(QWidget* before, QWidget* after) {
  // Row by row, left to right.
  QWidget* order[] = {before,      EditAnnee, SpinNote, CheckVu,           EditRealisateur,
                      EditActeurs, EditPays,  EditEAN,  EditTitreOriginal, MemoResume,
                      after};
  for (size_t i = 0; i + 1 < std::size(order); ++i) QWidget::setTabOrder(order[i], order[i + 1]);
}

bool FilmDetailsPage::Check(QWidget* window, QTabWidget* tabs) {
  const struct {
    QLineEdit* box;
    std::string (*problem)(std::string_view);
  } checks[] = {{EditAnnee, catalogue::YearProblem}, {EditEAN, catalogue::EanProblem}};
  for (const auto& c : checks) {
    const std::string problem = c.problem(c.box->text().toStdString());
    if (problem.empty()) continue;
    qt::Ui().Warning(window, QString::fromStdString(problem));
    if (tabs) tabs->setCurrentWidget(this);
    c.box->setFocus();
    return false;
  }
  return true;
}

QTabWidget* PutOnTabs(QWidget* window, QRect area, std::initializer_list<QWidget*> groups,
                      QWidget* firstBox, FilmDetailsPage* details) {
  auto* tabs = new QTabWidget(window);
  tabs->setObjectName("Onglets");
  tabs->setGeometry(area);
  auto* first = new QWidget;
  first->setObjectName("Fiche");
  // The groups keep their places, measured from the tab's top left corner.
  for (QWidget* g : groups) {
    const QPoint at = g->pos() - area.topLeft();
    g->setParent(first);
    g->move(at);
  }
  tabs->addTab(first, QStringLiteral("&Fiche"));
  tabs->addTab(details, QStringLiteral("&Détails"));
  // A tab chosen by keys (Ctrl+Tab, Alt+D) puts the keys in its first box.
  first->setFocusProxy(firstBox);
  auto* keeper = new KeepFocusOnTabs(tabs);
  first->installEventFilter(keeper);
  details->installEventFilter(keeper);
  details->setFocusProxy(details->EditAnnee);
  QObject::connect(tabs, &QTabWidget::currentChanged, tabs, [tabs] {
    QWidget* focus = QApplication::focusWidget();
    if (focus && tabs->isAncestorOf(focus) && !tabs->currentWidget()->isAncestorOf(focus))
      tabs->currentWidget()->setFocus(Qt::TabFocusReason);
  });
  return tabs;
}

}  // namespace kvn::app
