// What the windows of every library convert the same way between the
// engines' values and Qt's: UTF-8 texts, colours, file-type filters.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <string>

#include "platform/colors.h"

namespace kvn::qt {

// The engines' UTF-8 text as a QString, and back.
inline QString ToQString(const std::string& utf8) {
  return QString::fromStdString(utf8);
}
inline std::string ToUtf8(const QString& text) {
  return text.toStdString();
}

// A colour value ($00BBGGRR, or a system colour, resolved to its RGB value)
// as a QColor, and back.
inline QColor ToQColor(platform::TColor color) {
  const platform::TColor rgb = platform::ColorToRGB(color);
  return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}
inline platform::TColor FromQColor(const QColor& c) {
  return static_cast<platform::TColor>(c.red()) | (static_cast<platform::TColor>(c.green()) << 8) |
         (static_cast<platform::TColor>(c.blue()) << 16);
}

// "A (*.x)|*.x;*.y|B|*.z" as Qt name filters "A (*.x *.y);;B (*.z)": the
// description without the patterns it may already name, then the patterns.
inline QString FileFilters(const QString& filter) {
  const QStringList parts = filter.split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    const int paren = description.indexOf('(');
    if (paren > 0) description = description.left(paren).trimmed();
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    filters << description + " (" + patterns + ")";
  }
  return filters.join(";;");
}

}  // namespace kvn::qt
