// Small widgets the pages of the export dialog share.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QToolButton>
#include <string>

#include "export/xls/xls_formats.h"
#include "export_dialog/dialog_util.h"

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

// A list's lines as the text of a box, and back.
inline std::string Lines(const StringList& list) {
  std::string text;
  for (size_t i = 0; i < list.Count(); ++i) text += (i ? "\n" : "") + list[i];
  return text;
}
inline StringList FromLines(const QString& text) {
  StringList list;
  if (text.isEmpty()) return list;
  for (const QString& line : text.split('\n')) list.Add(ToUtf8(line));
  return list;
}

}  // namespace kvn::exporting
