#include "app/duplicates_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/handlers.h"

namespace kvn::app {

DuplicatesWindow::DuplicatesWindow(db::Database& database, QWidget* parent)
    : QDialog(parent), m_database(database) {
  setObjectName("frmDoublons");
  setWindowTitle(QStringLiteral("Doublons"));
  resize(820, 480);
  auto* layout = new QVBoxLayout(this);
  Groups = new QTreeWidget(this);
  Groups->setObjectName("ListeDoublons");
  Groups->setHeaderLabels({QStringLiteral("Titre"), QStringLiteral("Référence"),
                           QStringLiteral("Année"), QStringLiteral("EAN")});
  Groups->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  Groups->header()->setStretchLastSection(false);
  Groups->setSelectionMode(QAbstractItemView::SingleSelection);
  layout->addWidget(Groups, 1);

  auto* buttons = new QHBoxLayout;
  Summary = new QLabel(this);
  Summary->setObjectName("BilanDoublons");
  buttons->addWidget(Summary, 1);
  EditButton = new QPushButton(QStringLiteral("&Modifier la fiche"), this);
  EditButton->setObjectName("ModifierDoublon");
  auto* refresh = new QPushButton(QStringLiteral("&Actualiser"), this);
  refresh->setObjectName("ActualiserDoublons");
  auto* close = new QPushButton(QStringLiteral("Fermer"), this);
  close->setObjectName("FermerDoublons");
  for (QPushButton* b : {EditButton, refresh, close}) buttons->addWidget(b);
  layout->addLayout(buttons);

  auto choose = [this](bool edit) {
    if (const int64_t film = SelectedFilm(); film && OnFilmChosen) OnFilmChosen(film, edit);
  };
  connect(Groups, &QTreeWidget::itemSelectionChanged, this,
          [this] { EditButton->setEnabled(SelectedFilm() != 0); });
  connect(Groups, &QTreeWidget::itemDoubleClicked, this,
          [this, choose] { RunHandler(this, [choose] { choose(false); }); });
  connect(EditButton, &QPushButton::clicked, this,
          [this, choose] { RunHandler(this, [choose] { choose(true); }); });
  connect(refresh, &QPushButton::clicked, this, [this] { RunHandler(this, [this] { Reload(); }); });
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  Reload();
}

void DuplicatesWindow::Reload() {
  const std::vector<catalogue::DuplicateGroup> groups = catalogue::FindDuplicates(m_database);
  Groups->clear();
  size_t films = 0;
  for (const catalogue::DuplicateGroup& g : groups) {
    auto* group = new QTreeWidgetItem(Groups, {QString::fromStdString(g.Caption())});
    group->setFirstColumnSpanned(true);
    QFont bold = group->font(0);
    bold.setBold(true);
    group->setFont(0, bold);
    for (const catalogue::FilmSummary& f : g.films) {
      auto* item = new QTreeWidgetItem(
          group, {QString::fromStdString(f.title), QString::fromStdString(f.reference),
                  QString::fromStdString(f.year), QString::fromStdString(f.ean)});
      item->setData(0, Qt::UserRole, QVariant::fromValue<qlonglong>(f.id));
    }
    films += g.films.size();
  }
  Groups->expandAll();
  Groups->resizeColumnToContents(1);
  Groups->resizeColumnToContents(2);
  Groups->resizeColumnToContents(3);
  Summary->setText(groups.empty() ? QStringLiteral("Aucun doublon trouvé.")
                                  : QStringLiteral("%1 groupe%2 de doublons possibles (%3 films).")
                                        .arg(groups.size())
                                        .arg(groups.size() > 1 ? "s" : "")
                                        .arg(films));
  EditButton->setEnabled(false);
}

int64_t DuplicatesWindow::SelectedFilm() const {
  const QList<QTreeWidgetItem*> selected = Groups->selectedItems();
  if (selected.isEmpty()) return 0;
  return selected.front()->data(0, Qt::UserRole).toLongLong();
}

}  // namespace kvn::app
