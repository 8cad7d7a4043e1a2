// Small conversions of the export dialog between the engine's 8-bit text and
// colours and Qt's.
#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "platform/codepage.h"
#include "platform/colors.h"

namespace kvn::exporting {

// A text of the dialog as the user reads it: the program's translation
// (korvane_fr.qm, loaded at start-up) gives the French one; without it, the
// text as written here.
inline QString Tr(const char* text) {
  return QCoreApplication::translate("ExportDialog", text);
}

// The engine's UTF-8 text as a QString, and back.
inline QString Q(const std::string& utf8) {
  return QString::fromStdString(utf8);
}
inline std::string C(const QString& text) {
  return text.toStdString();
}

inline QColor ToQColor(platform::TColor color) {
  const platform::TColor rgb = platform::ColorToRGB(color);
  return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}
inline platform::TColor FromQColor(const QColor& c) {
  return static_cast<platform::TColor>(c.red()) | (static_cast<platform::TColor>(c.green()) << 8) |
         (static_cast<platform::TColor>(c.blue()) << 16);
}

// Runs a function for the events of one object (no meta-object needed).
class EventHook : public QObject {
 public:
  EventHook(QObject* parent, std::function<bool(QObject*, QEvent*)> f)
      : QObject(parent), m_f(std::move(f)) {}
  bool eventFilter(QObject* watched, QEvent* event) override { return m_f(watched, event); }

 private:
  std::function<bool(QObject*, QEvent*)> m_f;
};

}  // namespace kvn::exporting
