#include "qt_support/prompts.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStringList>
#include <vector>

#include "qt_support/conversions.h"

namespace kvn::qt {
namespace {

Prompts* g_testing = nullptr;

QString AppTitle() {
  QString title = QApplication::applicationDisplayName();
  return title.isEmpty() ? QStringLiteral("Korvane") : title;
}

// A message box with French buttons; returns the role of the button pressed.
QMessageBox::ButtonRole Ask(
    QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
    std::initializer_list<std::pair<QString, QMessageBox::ButtonRole>> buttons,
    size_t defaultButton = 0) {
  QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
  QPushButton* chosen = nullptr;
  size_t i = 0;
  for (const auto& [caption, role] : buttons) {
    QPushButton* b = box.addButton(caption, role);
    if (i++ == defaultButton) chosen = b;
  }
  box.setDefaultButton(chosen);
  box.exec();
  auto* clicked = box.clickedButton();
  return clicked ? box.buttonRole(clicked) : QMessageBox::RejectRole;
}

}  // namespace

Prompts& Ui() {
  static QtPrompts prompts;
  return g_testing ? *g_testing : prompts;
}

void SetUiForTesting(Prompts* prompts) {
  g_testing = prompts;
}

void QtPrompts::Warning(QWidget* parent, const QString& text) {
  Ask(parent, QMessageBox::Warning, QStringLiteral("Avertissement"), text,
      {{QStringLiteral("OK"), QMessageBox::AcceptRole}});
}

bool QtPrompts::Confirm(QWidget* parent, const QString& text) {
  return Ask(parent, QMessageBox::Question, QStringLiteral("Confirmation"), text,
             {{QStringLiteral("OK"), QMessageBox::AcceptRole},
              {QStringLiteral("Annuler"), QMessageBox::RejectRole}}) == QMessageBox::AcceptRole;
}

bool QtPrompts::Question(QWidget* parent, const QString& title, const QString& text,
                         bool noByDefault) {
  return Ask(parent, QMessageBox::Question, title, text,
             {{QStringLiteral("Oui"), QMessageBox::YesRole},
              {QStringLiteral("Non"), QMessageBox::NoRole}},
             noByDefault ? 1 : 0) == QMessageBox::YesRole;
}

void QtPrompts::Information(QWidget* parent, const QString& text) {
  Ask(parent, QMessageBox::Information, AppTitle(), text,
      {{QStringLiteral("OK"), QMessageBox::AcceptRole}});
}

void QtPrompts::Error(QWidget* parent, const QString& text) {
  Ask(parent, QMessageBox::Critical, AppTitle(), text,
      {{QStringLiteral("OK"), QMessageBox::AcceptRole}});
}

int QtPrompts::Choose(QWidget* parent, const QString& title, const QString& text,
                      const QStringList& buttons) {
  QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
  std::vector<QPushButton*> added;
  for (const QString& b : buttons) added.push_back(box.addButton(b, QMessageBox::ActionRole));
  box.exec();
  for (size_t i = 0; i < added.size(); ++i)
    if (box.clickedButton() == added[i]) return static_cast<int>(i);
  return static_cast<int>(buttons.size()) - 1;
}

std::optional<QString> QtPrompts::OpenFileName(QWidget* parent, const QString& filter,
                                               const QString& start) {
  QString name = QFileDialog::getOpenFileName(parent, QStringLiteral("Ouvrir"), start,
                                              qt::FileFilters(filter));
  if (name.isEmpty()) return std::nullopt;
  return name;
}

std::optional<QString> QtPrompts::SaveFileName(QWidget* parent, const QString& filter,
                                               const QString& current,
                                               const QString& defaultExtension) {
  QFileDialog dialog(parent, QStringLiteral("Enregistrer sous"), current, FileFilters(filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(defaultExtension);
  if (!current.isEmpty()) dialog.selectFile(current);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

std::optional<QString> QtPrompts::InputText(QWidget* parent, const QString& title,
                                            const QString& prompt, const QString& value) {
  bool ok = false;
  const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, value, &ok);
  if (!ok) return std::nullopt;
  return text;
}

std::optional<platform::TColor> QtPrompts::ChooseColor(QWidget* parent, platform::TColor color) {
  const QColor chosen = QColorDialog::getColor(ToQColor(color), parent);
  if (!chosen.isValid()) return std::nullopt;
  return FromQColor(chosen);
}

bool QtPrompts::OpenUrl(const QUrl& url) {
  // xdg-open says whether a program took the address: it ends at once with
  // a non-zero status when none can (3: no program for this kind of
  // address), whereas the desktop services only say it was started. One
  // still running after a few seconds has handed the address on (a browser
  // it waits for): it is left to run.
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (opener.isEmpty()) return QDesktopServices::openUrl(url);
  auto* process = new QProcess;
  process->setProgram(opener);
  process->setArguments({url.toString(QUrl::FullyEncoded)});
  process->setStandardInputFile(QProcess::nullDevice());
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
  process->start();
  if (!process->waitForStarted(5000)) {
    delete process;
    return false;
  }
  if (!process->waitForFinished(5000)) return true;
  return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
}

}  // namespace kvn::qt
