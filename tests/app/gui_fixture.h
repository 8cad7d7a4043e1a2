// A catalogue directory, the program's windows created on it, and dialogs that
// answer as a test says and remember what they were asked.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "qt_support/prompts.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/temp_dir.h"

namespace kvn::app {

// Answers the program's prompts as a test says, and records them.
class FakePrompts : public qt::Prompts {
 public:
  std::vector<std::string> warnings, errors, confirmations, informations;
  std::vector<std::string> questions;  // "title | text" of each Question
  std::deque<bool> questionAnswers;    // Oui / Non in turn, then questionDefault
  bool questionDefault = true;
  std::vector<std::string> openedAt;  // where the file choosers opened
  std::vector<QUrl> urls;
  std::deque<bool> confirmAnswers;
  std::deque<QString> files;         // the names chosen in file dialogs; an empty one cancels
  std::vector<std::string> choices;  // texts of Choose questions
  std::deque<int> chooseAnswers;
  bool desktopOpens = true;  // whether OpenUrl finds a program

  void Warning(QWidget*, const QString& text) override { warnings.push_back(text.toStdString()); }
  bool Confirm(QWidget*, const QString& text) override {
    confirmations.push_back(text.toStdString());
    bool answer = confirmAnswers.empty() ? true : confirmAnswers.front();
    if (!confirmAnswers.empty()) confirmAnswers.pop_front();
    return answer;
  }
  bool Question(QWidget*, const QString& title, const QString& text, bool) override {
    confirmations.push_back(text.toStdString());
    questions.push_back(title.toStdString() + " | " + text.toStdString());
    const bool answer = questionAnswers.empty() ? questionDefault : questionAnswers.front();
    if (!questionAnswers.empty()) questionAnswers.pop_front();
    return answer;
  }
  void Information(QWidget*, const QString& text) override {
    informations.push_back(text.toStdString());
  }
  void Error(QWidget*, const QString& text) override { errors.push_back(text.toStdString()); }
  int Choose(QWidget*, const QString&, const QString& text, const QStringList& buttons) override {
    choices.push_back(text.toStdString());
    int answer =
        chooseAnswers.empty() ? static_cast<int>(buttons.size()) - 1 : chooseAnswers.front();
    if (!chooseAnswers.empty()) chooseAnswers.pop_front();
    return answer;
  }
  std::optional<QString> OpenFileName(QWidget*, const QString&, const QString& start) override {
    if (!start.isEmpty()) openedAt.push_back(start.toStdString());
    return NextFile();
  }
  std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&,
                                      const QString&) override {
    return NextFile();
  }
  std::optional<QString> InputText(QWidget*, const QString&, const QString&,
                                   const QString& value) override {
    return value;
  }
  std::optional<platform::TColor> ChooseColor(QWidget*, platform::TColor color) override {
    return color;
  }
  bool OpenUrl(const QUrl& url) override {
    urls.push_back(url);
    return desktopOpens;
  }

 private:
  std::optional<QString> NextFile() {
    if (files.empty()) return std::nullopt;
    QString f = files.front();
    files.pop_front();
    if (f.isEmpty()) return std::nullopt;
    return f;
  }
};

class GuiTest : public ::testing::Test {
 protected:
  // Writes the catalogue, then creates the windows on it.
  void Start(int level, const std::vector<test::Film>& films,
             std::optional<std::string> iniLevel = std::string("3"));
  void StartWithoutCatalogue(std::optional<std::string> iniLevel);
  void CreateTheWindows();
  void TearDown() override;

  // Runs trigger (which opens a modal window) while body drives the window;
  // body must close it.
  static void WhileModal(const std::function<void()>& trigger, const std::function<void()>& body);
  // Saves a picture of a window when KVN_SCREENSHOT_DIR is set.
  static void Screenshot(QWidget* window, const char* name);
  std::vector<std::string> Rows(const std::string& sql) { return test::SqlRows(dir.Path(), sql); }

  test::TempDir dir;
  FakePrompts dialogs;
  bool created = false;
};

}  // namespace kvn::app
