#include "export_dialog/fields_page.h"

#include <QDropEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "export_dialog/dialog_util.h"
#include "export_dialog/page_widgets.h"

namespace kvn::exporting {

FieldsOptionsPage::FieldsOptionsPage(TQExportDialogF& dialog) : DialogPage(dialog, "FieldsPage") {
  QWidget* page = this;
  auto* grid = new QGridLayout(page);
  grid->addWidget(new QLabel(Tr("Champs disponibles:"), page), 0, 0);
  grid->addWidget(new QLabel(Tr("Champs exportes:"), page), 0, 2);
  AvailableList = new QListWidget(page);
  AvailableList->setObjectName("Available");
  ExportedList = new QListWidget(page);
  ExportedList->setObjectName("Exported");
  grid->addWidget(AvailableList, 1, 0);
  grid->addWidget(ExportedList, 1, 2);
  auto* buttons = new QVBoxLayout();
  const char* texts[] = {">", ">>", "<", "<<"};
  QPushButton* b[4];
  for (int i = 0; i < 4; ++i) {
    b[i] = new QPushButton(Tr(texts[i]), page);
    b[i]->setObjectName(QStringLiteral("Move%1").arg(i));
    buttons->addWidget(b[i]);
  }
  buttons->addStretch();
  grid->addLayout(buttons, 1, 1);

  connect(b[0], &QPushButton::clicked, this, [this] {
    const int at = AvailableList->currentRow();
    if (at < 0) return;
    const int next = Choices().MoveToExported(at);
    Show(next, static_cast<int>(Choices().Exported.size()) - 1);
  });
  connect(b[1], &QPushButton::clicked, this, [this] {
    Choices().MoveAllToExported();
    Show(-1, 0);
  });
  connect(b[2], &QPushButton::clicked, this, [this] {
    const int at = ExportedList->currentRow();
    if (at < 0) return;
    const int next = Choices().MoveToAvailable(at);
    Show(-1, next);
  });
  connect(b[3], &QPushButton::clicked, this, [this] {
    Choices().MoveAllToAvailable();
    Show(0, -1);
  });
  connect(AvailableList, &QListWidget::itemDoubleClicked, b[0], &QPushButton::click);
  connect(ExportedList, &QListWidget::itemDoubleClicked, b[2], &QPushButton::click);

  // Dragging from one list to the other, or within a list onto an entry.
  for (QListWidget* list : {AvailableList, ExportedList}) {
    list->setDragDropMode(QAbstractItemView::DragDrop);
    list->setDefaultDropAction(Qt::MoveAction);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->viewport()->installEventFilter(new EventHook(list, [this, list](QObject*, QEvent* e) {
      if (e->type() != QEvent::Drop) return false;
      auto* drop = static_cast<QDropEvent*>(e);
      auto* source = dynamic_cast<QListWidget*>(drop->source());
      if (source != AvailableList && source != ExportedList) return false;
      const QListWidgetItem* over = list->itemAt(drop->position().toPoint());
      Dropped(list, source, source->currentRow(), over ? list->row(over) : -1);
      drop->setDropAction(Qt::IgnoreAction);
      drop->accept();
      return true;
    }));
  }
}

void FieldsOptionsPage::Dropped(QListWidget* target, QListWidget* source, int sourceRow,
                                int targetRow) {
  if (sourceRow < 0) return;
  ExportChoices& c = Choices();
  if (source == target) {
    std::vector<std::string>& list = target == AvailableList ? c.Available : c.Exported;
    if (targetRow < 0) return;
    ExportChoices::MoveWithin(list, sourceRow, targetRow);
    Show(target == AvailableList ? targetRow : -1, target == ExportedList ? targetRow : -1);
  } else if (target == ExportedList) {
    const int next = c.MoveToExported(sourceRow);
    Show(next, static_cast<int>(c.Exported.size()) - 1);
  } else {
    const int next = c.MoveToAvailable(sourceRow);
    Show(-1, next);
  }
}

void FieldsOptionsPage::Show(int availableSelection, int exportedSelection) {
  const bool was = Refreshing();
  Refreshing() = true;
  AvailableList->clear();
  ExportedList->clear();
  for (const std::string& f : Choices().Available) AvailableList->addItem(ToQString(f));
  for (const std::string& f : Choices().Exported) ExportedList->addItem(ToQString(f));
  if (availableSelection >= 0 && availableSelection < AvailableList->count())
    AvailableList->setCurrentRow(availableSelection);
  if (exportedSelection >= 0 && exportedSelection < ExportedList->count())
    ExportedList->setCurrentRow(exportedSelection);
  Refreshing() = was;
  // The Excel page marks the fields exported.
  if (auto* xls = static_cast<DialogPage*>(Dialog().XlsPage)) xls->Refresh();
}

void FieldsOptionsPage::Refresh() {
  Show();
}

}  // namespace kvn::exporting
