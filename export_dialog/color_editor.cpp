#include "export_dialog/color_editor.h"

#include <QDialogButtonBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "export_dialog/dialog_util.h"

namespace kvn::exporting {

namespace {

constexpr int kCell = 22;

QColor Screen(TxlsColor c) {
  return qt::ToQColor(ScreenColor(c));
}

}  // namespace

class TQExportXLSColorEditorF::Palette : public QWidget {
 public:
  explicit Palette(TQExportXLSColorEditorF* owner) : QWidget(owner), m_owner(owner) {
    setObjectName("Palette");
    setFixedSize(177, 110);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    for (int i = 0; i < kXlsColorCount; ++i) {
      const QRect cell((i % 8) * kCell, (i / 8) * kCell, kCell, kCell);
      if (i == m_owner->m_selected) {
        // The selected cell in a sunken frame.
        p.setPen(palette().dark().color());
        p.drawLine(cell.topLeft(), cell.topRight());
        p.drawLine(cell.topLeft(), cell.bottomLeft());
        p.setPen(palette().light().color());
        p.drawLine(cell.bottomLeft(), cell.bottomRight());
        p.drawLine(cell.topRight(), cell.bottomRight());
      }
      const QRect swatch(cell.left() + 3, cell.top() + 3, 16, 16);
      p.fillRect(swatch, Screen(static_cast<TxlsColor>(i)));
      p.setPen(Qt::black);
      p.drawRect(swatch);
    }
  }
  void mousePressEvent(QMouseEvent* e) override {
    m_owner->Select(
        ColorAt(static_cast<int>(e->position().x()), static_cast<int>(e->position().y())));
    update();
  }
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    mousePressEvent(e);
    m_owner->accept();
  }

 private:
  TQExportXLSColorEditorF* m_owner;
};

TQExportXLSColorEditorF::TQExportXLSColorEditorF(QWidget* parent, TxlsColor selected)
    : QDialog(parent), m_selected(selected) {
  setObjectName("TQExportXLSColorEditorF");
  setWindowTitle(Tr("Choose a color"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 4);
  m_area = new Palette(this);
  layout->addWidget(m_area);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(Tr("OK"), QDialogButtonBox::AcceptRole);
  ok->setDefault(true);
  ok->setObjectName("OK");
  buttons->addButton(Tr("Cancel"), QDialogButtonBox::RejectRole)->setObjectName("Cancel");
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  setFixedSize(177, 146);
}

TxlsColor TQExportXLSColorEditorF::ColorAt(int x, int y) {
  const int column = std::max(x, 0) / kCell;
  const int row = std::max(y, 0) / kCell;
  return static_cast<TxlsColor>(std::min(column + row * 8, kXlsColorCount - 1));
}

TxlsColor TQExportXLSColorEditorF::Choose(QWidget* parent, TxlsColor color) {
  TQExportXLSColorEditorF chooser(parent, color);
  return chooser.exec() == QDialog::Accepted ? chooser.Selected() : color;
}

}  // namespace kvn::exporting
