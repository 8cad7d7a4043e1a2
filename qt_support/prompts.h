// The message boxes, file choosers and shell calls every window uses, behind
// one interface so that tests can answer them. Button texts are French
// whatever Qt translations are installed.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

#include "platform/colors.h"

class QWidget;

namespace kvn::qt {

class Prompts {
 public:
  virtual ~Prompts() = default;
  // "Avertissement", one button "OK".
  virtual void Warning(QWidget* parent, const QString& text) = 0;
  // "Confirmation", "OK" and "Annuler"; true for OK.
  virtual bool Confirm(QWidget* parent, const QString& text) = 0;
  // A question with "Oui" and "Non" ("Non" the default button when asked);
  // true for Oui.
  virtual bool Question(QWidget* parent, const QString& title, const QString& text,
                        bool noByDefault = false) = 0;
  // An information box titled with the application title, one button "OK".
  virtual void Information(QWidget* parent, const QString& text) = 0;
  // An error that stopped an operation, titled with the application title.
  virtual void Error(QWidget* parent, const QString& text) = 0;
  // A question with buttons of its own; returns the index of the one pressed
  // (the last one when the box is closed otherwise).
  virtual int Choose(QWidget* parent, const QString& title, const QString& text,
                     const QStringList& buttons) = 0;
  // Filters are given as "Description|*.a;*.b|Description|*.c". start: a
  // file chosen in advance (its folder opened, the file selected).
  virtual std::optional<QString> OpenFileName(QWidget* parent, const QString& filter,
                                              const QString& start = {}) = 0;
  // current: the name proposed; defaultExtension: added to a name without one.
  virtual std::optional<QString> SaveFileName(QWidget* parent, const QString& filter,
                                              const QString& current = {},
                                              const QString& defaultExtension = {}) = 0;
  // A line of text; nothing when cancelled.
  virtual std::optional<QString> InputText(QWidget* parent, const QString& title,
                                           const QString& prompt, const QString& value) = 0;
  // A colour; nothing when cancelled.
  virtual std::optional<platform::TColor> ChooseColor(QWidget* parent, platform::TColor color) = 0;
  // Asks the desktop to open a document or a mail link; false when it could not.
  virtual bool OpenUrl(const QUrl& url) = 0;
};

// The prompts in use: the Qt ones unless a test replaced them.
Prompts& Ui();
void SetUiForTesting(Prompts* prompts);

// The Qt implementation.
class QtPrompts : public Prompts {
 public:
  void Warning(QWidget* parent, const QString& text) override;
  bool Confirm(QWidget* parent, const QString& text) override;
  bool Question(QWidget* parent, const QString& title, const QString& text,
                bool noByDefault = false) override;
  void Information(QWidget* parent, const QString& text) override;
  void Error(QWidget* parent, const QString& text) override;
  int Choose(QWidget* parent, const QString& title, const QString& text,
             const QStringList& buttons) override;
  std::optional<QString> OpenFileName(QWidget* parent, const QString& filter,
                                      const QString& start = {}) override;
  std::optional<QString> SaveFileName(QWidget* parent, const QString& filter,
                                      const QString& current = {},
                                      const QString& defaultExtension = {}) override;
  std::optional<QString> InputText(QWidget* parent, const QString& title, const QString& prompt,
                                   const QString& value) override;
  std::optional<platform::TColor> ChooseColor(QWidget* parent, platform::TColor color) override;
  bool OpenUrl(const QUrl& url) override;
};

}  // namespace kvn::qt
