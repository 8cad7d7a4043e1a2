#include "app/forms.h"

#include <stdlib.h>

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>

#include "app/handlers.h"
#include "catalogue/catalogue_files.h"
#include "platform/file_info.h"
#include "platform/output_file.h"

namespace kvn::app {
namespace {

std::string g_catalogueDirectory = "./";
Form* g_lastActiveForm = nullptr;

}  // namespace

Windows& Forms() {
  static Windows windows;
  return windows;
}

const std::string& CatalogueDirectory() {
  return g_catalogueDirectory;
}

void SetCatalogueDirectory(const std::string& dir) {
  // Absolute, so that every message names the folder as the user knows it.
  g_catalogueDirectory = platform::RealPath(dir.empty() ? "." : dir);
  if (g_catalogueDirectory.back() != '/') g_catalogueDirectory += '/';
  // The catalogue's own files are never an output of the windows.
  platform::ClearOutputProtection();
  catalogue::ProtectCatalogueFiles(g_catalogueDirectory);
}

void UseFrenchLocale() {
  QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

std::string HelpPage() {
  // Beside the executable in a build tree; share/korvane/ once installed.
  return platform::ProgramFilesDirectory("Aide", "../share/korvane/") + "Aide/index.html";
}

void OtherWindowActivated() {
  g_lastActiveForm = nullptr;
}

QString ApplicationTitle() {
  return QStringLiteral("Korvane");
}

Form::Form(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
}

void Form::Create() {
  RunHandler(this, [this] { FormCreate(); });
}

int Form::ShowModal() {
  return exec();
}

bool Form::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) {
    if (g_lastActiveForm != this) {
      g_lastActiveForm = this;
      Create();
    }
  } else if (e->type() == QEvent::Hide && g_lastActiveForm == this) {
    g_lastActiveForm = nullptr;
  }
  return QDialog::event(e);
}

void Form::showEvent(QShowEvent* event) {
  if (!property("kvnPlaced").toBool()) {
    setProperty("kvnPlaced", true);
    CenterOnScreen(this);
  }
  QDialog::showEvent(event);
}

void InstallFontSubstitutes() {
  QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
  QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"));
  QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
  QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
  QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
  QFont::insertSubstitution(QStringLiteral("Americana BT"), QStringLiteral("Liberation Serif"));
}

void CenterOnScreen(QWidget* window) {
  if (QScreen* screen = QGuiApplication::primaryScreen())
    window->move(screen->availableGeometry().center() - window->rect().center());
}

void Form::SetClientSize(int width, int height, bool fixed) {
  if (fixed)
    setFixedSize(width, height);
  else
    resize(width, height);
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->move(x, y);
  label->adjustSize();
  return label;
}

namespace {

// Return and Enter press the focused button, as Space does, as on every
// desktop (the buttons are not default buttons, so a Return typed in a box
// never presses one by surprise).
class ReturnPresses : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
          key->modifiers() == Qt::NoModifier) {
        if (auto* b = qobject_cast<QPushButton*>(watched); b && b->isEnabled()) {
          b->click();
          return true;
        }
      }
    }
    return false;
  }
};

}  // namespace

QPushButton* MakeButton(QWidget* parent, const QString& objectName, const QString& text,
                        QRect geometry, bool flat) {
  static ReturnPresses* returnPresses = new ReturnPresses;
  auto* b = new QPushButton(text, parent);
  b->setObjectName(objectName);
  b->setGeometry(geometry);
  b->setFlat(flat);
  b->setAutoDefault(false);
  b->installEventFilter(returnPresses);
  return b;
}

}  // namespace kvn::app
