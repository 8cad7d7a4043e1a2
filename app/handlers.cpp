#include "app/handlers.h"

#include <QWidget>
#include <exception>

#include "qt_support/prompts.h"

namespace kvn::app {

void ShowCurrentException(QWidget* parent) {
  QWidget* owner = parent ? parent->window() : QApplication::activeWindow();
  try {
    throw;
  } catch (const std::exception& e) {
    qt::Ui().Error(owner, QString::fromUtf8(e.what()));
  } catch (...) {
    qt::Ui().Error(owner, QStringLiteral("Erreur inattendue"));
  }
}

void RunHandler(QWidget* parent, const std::function<void()>& handler) {
  try {
    handler();
  } catch (...) {
    ShowCurrentException(parent);
  }
}

KorvaneApplication::KorvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool KorvaneApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ShowCurrentException(qobject_cast<QWidget*>(receiver));
    return false;
  }
}

}  // namespace kvn::app
