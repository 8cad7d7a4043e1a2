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
#include "qt_support/conversions.h"

namespace kvn::exporting {

// A text of the dialog as the user reads it: the program's translation
// (korvane_fr.qm, loaded at start-up) gives the French one; without it, the
// text as written here.
inline QString Tr(const char* text) {
  return QCoreApplication::translate("ExportDialog", text);
}

using qt::FromQColor;
using qt::ToQColor;
using qt::ToQString;
using qt::ToUtf8;

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
