#include "export_dialog/captions_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "export_dialog/dialog_util.h"
#include "export_dialog/page_widgets.h"

namespace kvn::exporting {

namespace {

// The captions grid's editors: a drop-down list for alignments, a number box
// with arrows for widths.
class CaptionsDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  std::function<bool(int column)> isAlign, isWidth;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    if (isAlign && isAlign(index.column())) {
      auto* box = new QComboBox(parent);
      box->addItems({Tr("Gauche"), Tr("Centre"), Tr("Droite")});
      return box;
    }
    if (isWidth && isWidth(index.column())) {
      auto* spin = new QSpinBox(parent);
      spin->setRange(0, 1024);
      return spin;
    }
    return QStyledItemDelegate::createEditor(parent, option, index);
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    if (auto* box = dynamic_cast<QComboBox*>(editor)) {
      box->setCurrentText(index.data().toString());
      return;
    }
    if (auto* spin = dynamic_cast<QSpinBox*>(editor)) {
      spin->setValue(index.data().toString().toInt());
      return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    if (auto* box = dynamic_cast<QComboBox*>(editor)) {
      model->setData(index, box->currentText());
      return;
    }
    if (auto* spin = dynamic_cast<QSpinBox*>(editor)) {
      model->setData(index, QString::number(spin->value()));
      return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
  }
};

}  // namespace

CaptionsOptionsPage::CaptionsOptionsPage(TQExportDialogF& dialog)
    : DialogPage(dialog, "CaptionsPage") {
  QWidget* page = this;
  auto* layout = new QVBoxLayout(page);
  auto* top = new QHBoxLayout();
  AllowCaptionsBox = new QCheckBox(Tr("Autoriser les libellés"), page);
  AllowCaptionsBox->setObjectName("AllowCaptions");
  top->addWidget(AllowCaptionsBox);
  m_captionRowLabel = new QLabel(Tr("Ligne des libellés"), page);
  m_captionRow = new QSpinBox(page);
  m_captionRow->setRange(-1, 1 << 30);
  top->addWidget(m_captionRowLabel);
  top->addWidget(m_captionRow);
  // A row of captions: string grids only.
  const bool grid = Component().ExportSource == TQExportSource::esStringGrid;
  m_captionRow->setVisible(grid);
  m_captionRowLabel->setVisible(grid);
  top->addStretch();
  layout->addLayout(top);
  CaptionsGrid = new QTableWidget(page);
  CaptionsGrid->setObjectName("CaptionsGrid");
  CaptionsGrid->verticalHeader()->hide();
  auto* delegate = new CaptionsDelegate(CaptionsGrid);
  delegate->isAlign = [this](int column) {
    return CaptionsGrid->horizontalHeaderItem(column) &&
           CaptionsGrid->horizontalHeaderItem(column)->text() == Tr("Aligner");
  };
  delegate->isWidth = [this](int column) {
    return CaptionsGrid->horizontalHeaderItem(column) &&
           CaptionsGrid->horizontalHeaderItem(column)->text() == Tr("Largeur");
  };
  CaptionsGrid->setItemDelegate(delegate);
  layout->addWidget(CaptionsGrid);
  connect(AllowCaptionsBox, &QCheckBox::toggled, this, [this](bool on) {
    Choices().AllowCaptions = on;
    CaptionsGrid->setEnabled(on);
  });
  connect(m_captionRow, &QSpinBox::valueChanged, this,
          [this](int v) { Choices().CaptionRowNumber = v; });
  connect(CaptionsGrid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem*) {
    if (!Refreshing()) ReadGrid();
  });
}

void CaptionsOptionsPage::ReadGrid() {
  for (int r = 0; r < CaptionsGrid->rowCount() && r < static_cast<int>(Choices().Captions.size());
       ++r) {
    ExportChoices::CaptionRow& row = Choices().Captions[static_cast<size_t>(r)];
    for (int c = 1; c < CaptionsGrid->columnCount(); ++c) {
      const QTableWidgetItem* item = CaptionsGrid->item(r, c);
      const QString text = item ? item->text() : QString();
      const QString title = CaptionsGrid->horizontalHeaderItem(c)->text();
      if (c == 1)
        row.caption = ToUtf8(text);
      else if (title == Tr("Aligner"))
        row.align = ToUtf8(text);
      else if (title == Tr("Largeur"))
        row.width = ToUtf8(text);
    }
  }
}

void CaptionsOptionsPage::Refresh() {
  const bool was = Refreshing();
  Refreshing() = true;
  AllowCaptionsBox->setChecked(Choices().AllowCaptions);
  m_captionRow->setValue(Choices().CaptionRowNumber);
  const int t = Choices().Type();
  QStringList titles = {Tr("Nom de champs"), Tr("Libellé")};
  const bool align = t == aeHTML || t == aeWord || t == aeRTF || t == aePDF || t == aeTXT;
  const bool width = t == aeXLS || t == aeWord || t == aeRTF || t == aePDF || t == aeTXT;
  if (align) titles << Tr("Aligner");
  if (width) titles << Tr("Largeur");
  CaptionsGrid->clear();
  CaptionsGrid->setColumnCount(static_cast<int>(titles.size()));
  CaptionsGrid->setHorizontalHeaderLabels(titles);
  CaptionsGrid->setRowCount(static_cast<int>(Choices().Captions.size()));
  int r = 0;
  for (const ExportChoices::CaptionRow& row : Choices().Captions) {
    auto* name = new QTableWidgetItem(ToQString(row.field));
    name->setFlags(name->flags() & ~Qt::ItemIsEditable);
    CaptionsGrid->setItem(r, 0, name);
    CaptionsGrid->setItem(r, 1, new QTableWidgetItem(ToQString(row.caption)));
    int c = 2;
    if (align) CaptionsGrid->setItem(r, c++, new QTableWidgetItem(ToQString(row.align)));
    if (width) CaptionsGrid->setItem(r, c++, new QTableWidgetItem(ToQString(row.width)));
    ++r;
  }
  CaptionsGrid->setEnabled(Choices().AllowCaptions);
  Refreshing() = was;
}

}  // namespace kvn::exporting
