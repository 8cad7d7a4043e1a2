// Small widgets the pages of the export dialog share.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QToolButton>

#include "export_dialog/dialog_util.h"
#include "export/xls/xls_formats.h"

namespace kvn::exporting {

inline QToolButton* Tool(QWidget* parent, const QString& text, const QString& tip,
                  bool checkable = false) {
  auto* b = new QToolButton(parent);
  b->setText(text);
  b->setToolTip(tip);
  b->setObjectName(tip);
  b->setCheckable(checkable);
  return b;
}

inline void PaintSwatch(QToolButton* button, const QColor& color) {
  QPixmap pixmap(14, 14);
  pixmap.fill(color);
  button->setIcon(QIcon(pixmap));
}

inline QColor XlsScreen(TxlsColor c) {
  return ToQColor(ScreenColor(c));
}

}  // namespace kvn::exporting
