// The message boxes, file dialogs and shell calls the windows use, behind one
// interface so tests can answer them. Button texts are French whatever Qt
// translations are installed.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

class QWidget;

namespace kvn::app {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // "Avertissement", one button "OK".
  virtual void Warning(QWidget* parent, const QString& text) = 0;
  // "Confirmation", "OK" and "Annuler"; true for OK.
  virtual bool Confirm(QWidget* parent, const QString& text) = 0;
  // A question with "Oui" and "Non"; true for Oui.
  virtual bool Question(QWidget* parent, const QString& title, const QString& text) = 0;
  // An information box titled with the application title, one button "OK".
  virtual void Information(QWidget* parent, const QString& text) = 0;
  // An error that stopped an operation, titled with the application title.
  virtual void Error(QWidget* parent, const QString& text) = 0;
  // A question with buttons of its own; returns the index of the one pressed
  // (the last one when the box is closed otherwise).
  virtual int Choose(QWidget* parent, const QString& title, const QString& text,
                     const QStringList& buttons) = 0;
  // Filters are given as "Description|*.a;*.b|Description|*.c".
  virtual std::optional<QString> OpenFileName(QWidget* parent, const QString& filter) = 0;
  // The same, opening on a file chosen in advance (its folder, the file
  // selected).
  virtual std::optional<QString> OpenFileNameAt(QWidget* parent, const QString& filter,
                                                const QString& start) {
    (void)start;
    return OpenFileName(parent, filter);
  }
  virtual std::optional<QString> SaveFileName(QWidget* parent, const QString& filter) = 0;
  // Asks the desktop to open a document or a mail link; false when it could not.
  virtual bool OpenUrl(const QUrl& url) = 0;
};

// The dialogs in use: the Qt ones unless a test replaced them.
Dialogs& Ui();
void SetUiForTesting(Dialogs* dialogs);

// The Qt implementation.
class QtDialogs : public Dialogs {
 public:
  void Warning(QWidget* parent, const QString& text) override;
  bool Confirm(QWidget* parent, const QString& text) override;
  bool Question(QWidget* parent, const QString& title, const QString& text) override;
  void Information(QWidget* parent, const QString& text) override;
  void Error(QWidget* parent, const QString& text) override;
  int Choose(QWidget* parent, const QString& title, const QString& text,
             const QStringList& buttons) override;
  std::optional<QString> OpenFileName(QWidget* parent, const QString& filter) override;
  std::optional<QString> OpenFileNameAt(QWidget* parent, const QString& filter,
                                        const QString& start) override;
  std::optional<QString> SaveFileName(QWidget* parent, const QString& filter) override;
  bool OpenUrl(const QUrl& url) override;
};

}  // namespace kvn::app
