// The export dialog as a user drives it: the main window's command, the type
// and extension rule, the fields page, captions, the options file shared with
// the command line, the progress window and its stop question, the Excel and
// PDF pages, and every type exported once and read by its reader.
#include "export_dialog/export_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <QTreeWidget>
#include <regex>

#include "app/about.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "catalogue/catalogue_export.h"
#include "export/text/ascii_export.h"
#include "export_dialog/color_editor.h"
#include "export_dialog/progress_window.h"
#include "export_dialog/qt_sources.h"
#include "platform/codepage.h"
#include "platform/file_info.h"
#include "tests/app/gui_fixture.h"
#include "tests/support/dbf_reader.h"
#include "tests/support/run_program.h"

namespace kvn::app {
namespace {

using exporting::ExportChoices;
using exporting::TQExportDialog;
using exporting::TQExportDialogF;
using exporting::TQExportDialogProgressF;

// Records what would be opened or printed.
class TestShell : public exporting::Shell {
 public:
  std::vector<std::string> opened, printed;
  void Open(const std::string& path) override { opened.push_back(path); }
  void Print(const std::string& path) override { printed.push_back(path); }
};

std::vector<test::Film> Films(int n) {
  std::vector<test::Film> films = test::SampleFilms();
  for (int i = 0; i < n; ++i) {
    test::Film f;
    char ref[16];
    std::snprintf(ref, sizeof ref, "X%03d", i);
    f.reference = ref;
    f.titre = std::string("Film n° ") + ref;
    f.duree = "01:30:00";
    f.nbCd = 1;
    films.push_back(f);
  }
  return films;
}

class ExportDialogTest : public GuiTest {
 protected:
  TForm1& Main() { return *Forms().form1; }

  // A dialog on the main window's table with its presets, files in the
  // test's directory, and the shell of the test's; the prompts answer "Non"
  // unless told otherwise.
  void Prepare() {
    static_cast<exporting::ExportDialogSettings&>(dialog) =
        catalogue::MainWindowExportSettings(Main().Tvideo, dir.Path() + "/");
    dialogs.questionDefault = false;
    dialog.FileShell = &shell;
    dialog.ShowFile = false;
  }
  // Runs the dialog; body drives the window, which the test closes after it.
  void Run(const std::function<void(TQExportDialogF&)>& body) {
    dialog.OnShow = [&](TQExportDialogF* w) {
      body(*w);
      w->close();
    };
    dialog.Execute(&Main());
  }
  // Presses the progress window's button once the export is over.
  static void OkWhenOver(TQExportDialogF& w) {
    auto* timer = new QTimer(&w);
    QObject::connect(timer, &QTimer::timeout, &w, [&w, timer] {
      TQExportDialogProgressF* p = w.Progress();
      if (!p) return;
      if (p->CurrentStage() == TQExportDialogProgressF::Finished ||
          p->CurrentStage() == TQExportDialogProgressF::Stopped) {
        p->Button()->click();
        timer->stop();
      }
    });
    timer->start(5);
  }

  TQExportDialog dialog;
  TestShell shell;
};

// "Exporter" from the main window: the CSV of the catalogue, the same file as
// the command line writes, opened afterwards.
TEST_F(ExportDialogTest, CsvFromTheMainWindowsCommand) {
  Start(3, test::SampleFilms());
  QAction* command = Main().findChild<QAction*>("s_mnuExporter");
  ASSERT_TRUE(command && command->isEnabled());
  EXPECT_TRUE(Main().SpeedButtons[2]->isEnabled());
  Main().Tvideo.SetRecNo(3);
  WhileModal([&] { command->trigger(); },
             [&] {
               auto* w = dynamic_cast<TQExportDialogF*>(QApplication::activeModalWidget());
               ASSERT_NE(w, nullptr);
               EXPECT_EQ(w->windowTitle().toStdString(),
                         "Dialogue Export -- Export vers [video.xls]");
               Screenshot(w, "export_type");
               w->findChild<QRadioButton*>("Type8")->click();
               EXPECT_EQ(w->FileNameEdit->text().toStdString(), dir.Path() + "/video.csv");
               EXPECT_TRUE(w->ShowFileBox->isChecked());
               w->StartButton->click();
               w->close();
             });
  // The list keeps its current film; the file was opened by the desktop.
  EXPECT_EQ(Main().Tvideo.RecNo(), 3);
  EXPECT_EQ(Main().DBGrid1->currentIndex().row(), 2);
  ASSERT_EQ(dialogs.urls.size(), 1u);
  EXPECT_EQ(dialogs.urls[0].toLocalFile().toStdString(), dir.Path() + "/video.csv");
  const std::string fromDialog = test::ReadFile(dir / "video.csv");
  auto r = test::RunProgram(
      {test::KorvaneExecutable(), "--dir", dir.Path(), "export", "csv", "-o", dir / "cli.csv"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(fromDialog, test::ReadFile(dir / "cli.csv"));
}

// Opened from the main window, the dialog shows "Outils" and comes back as
// the user left it, closed with Escape: type, file name and fields, kept in
// the user's settings folder.
TEST_F(ExportDialogTest, TheDialogRemembersTheLastChoices) {
  Start(3, test::SampleFilms());
  std::vector<std::string> exported;
  QAction* command = Main().findChild<QAction*>("s_mnuExporter");
  WhileModal([&] { command->trigger(); },
             [&] {
               auto* w = dynamic_cast<TQExportDialogF*>(QApplication::activeModalWidget());
               ASSERT_NE(w, nullptr);
               EXPECT_TRUE(w->ToolsButton->isVisible());
               w->findChild<QRadioButton*>("Type8")->click();
               w->Choices().MoveToExported(2);
               exported = w->Choices().Exported;
               w->Choices().FileName = dir / "mes films.csv";
               QTest::keyClick(w, Qt::Key_Escape);
             });
  const std::string saved = test::ReadFile(dir / "config/korvane/export.cfg");
  EXPECT_NE(saved.find("mes films.csv"), std::string::npos) << saved;
  WhileModal([&] { command->trigger(); },
             [&] {
               auto* w = dynamic_cast<TQExportDialogF*>(QApplication::activeModalWidget());
               ASSERT_NE(w, nullptr);
               EXPECT_EQ(w->Choices().Type(), exporting::aeCSV);
               EXPECT_TRUE(w->findChild<QRadioButton*>("Type8")->isChecked());
               EXPECT_EQ(w->FileNameEdit->text().toStdString(), dir / "mes films.csv");
               ASSERT_FALSE(exported.empty());
               EXPECT_EQ(w->Choices().Exported, exported);
               w->close();
             });
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(ExportDialogTest, TypesExtensionsFieldsAndCaptions) {
  Start(3, test::SampleFilms());
  Prepare();
  Run([&](TQExportDialogF& w) {
    ExportChoices& c = w.Choices();
    // The preset name follows the type; the clipboard needs no name.
    EXPECT_EQ(w.FileNameEdit->text().toStdString(), dir.Path() + "/video.xls");
    w.SelectType(exporting::aeHTML);
    EXPECT_EQ(w.FileNameEdit->text().toStdString(), dir.Path() + "/video.html");
    EXPECT_TRUE(w.Pages->isTabVisible(w.Pages->indexOf(w.HtmlPage)));
    EXPECT_FALSE(w.Pages->isTabVisible(w.Pages->indexOf(w.XlsPage)));
    EXPECT_EQ(w.Pages->tabText(w.Pages->indexOf(w.CaptionsPage)).toStdString(),
              "Libellé && Aligner");
    w.SelectType(exporting::aeXLS);
    EXPECT_EQ(w.FileNameEdit->text().toStdString(), dir.Path() + "/video.xls");
    w.SelectType(exporting::aeSQL);
    EXPECT_FALSE(w.Pages->isTabVisible(w.Pages->indexOf(w.FormatsPage)));
    EXPECT_FALSE(w.Pages->isTabVisible(w.Pages->indexOf(w.CaptionsPage)));
    w.SelectType(exporting::aeClipboard);
    w.FileNameEdit->clear();
    c.FileName.clear();
    EXPECT_FALSE(w.FileNameEdit->isEnabled());
    EXPECT_TRUE(w.StartButton->isEnabled());
    w.SelectType(exporting::aeCSV);
    EXPECT_FALSE(w.StartButton->isEnabled());  // no file name

    // Fields: ">" moves the selected one, ">>" then "<<" restores the source order.
    const std::vector<std::string> all = c.Available;
    w.AvailableList->setCurrentRow(2);
    w.findChild<QPushButton*>("Move0")->click();
    EXPECT_EQ(c.Exported, std::vector<std::string>{all[2]});
    EXPECT_EQ(w.AvailableList->currentRow(), 2);
    // The Excel page marks the field exported at once.
    auto* xlsFields = w.findChild<QListWidget*>("XlsFields");
    ASSERT_NE(xlsFields, nullptr);
    EXPECT_EQ(xlsFields->item(2)->checkState(), Qt::Checked);
    EXPECT_EQ(xlsFields->item(0)->checkState(), Qt::Unchecked);
    w.findChild<QPushButton*>("Move1")->click();
    EXPECT_TRUE(c.Available.empty());
    EXPECT_EQ(c.Exported.front(), all[0]);
    EXPECT_EQ(c.Exported.back(), all[2]);
    w.findChild<QPushButton*>("Move3")->click();
    EXPECT_EQ(c.Available, all);
    EXPECT_EQ(w.ExportedList->count(), 0);
    // The null text typed on the formats page shows on the SQL page too.
    auto* nullText = w.findChild<QLineEdit*>("Format8");
    ASSERT_NE(nullText, nullptr);
    nullText->clear();
    QTest::keyClicks(nullText, QStringLiteral("vide"));
    EXPECT_EQ(c.Formats.NullString(), "vide");
    EXPECT_EQ(w.findChild<QLineEdit*>("SqlNull")->text(), QStringLiteral("vide"));
    Screenshot(&w, "export_champs");

    // Captions: only those that differ from the field name are passed on.
    w.SelectType(exporting::aeTXT);
    w.Pages->setCurrentWidget(w.CaptionsPage);
    w.CaptionsGrid->item(2, 1)->setText(QStringLiteral("Titre du film"));
    Screenshot(&w, "export_libelles");
    c.FileName = dir.Path() + "/t.txt";
    exporting::TQExport& e = c.PrepareExport();
    EXPECT_EQ(e.Captions.Lines(), std::vector<std::string>{"Titre=Titre du film"});
    EXPECT_EQ(e.ColumnsAlign.Value("Titre"), "Left");
    EXPECT_EQ(e.ColumnsWidth.Value("Titre"), "255");
  });
}

// Saved with the CSV type and a tab as separator, the options file comes back
// in the dialog and gives the command line the same file.
TEST_F(ExportDialogTest, OptionsFileSharedWithTheCommandLine) {
  Start(3, test::SampleFilms());
  Prepare();
  dialog.SaveLoadButtons = true;
  const std::string cfg = dir / "choix.cfg";
  Run([&](TQExportDialogF& w) {
    ExportChoices& c = w.Choices();
    EXPECT_TRUE(w.ToolsButton->isVisible());
    w.SelectType(exporting::aeCSV);
    c.ASCIIExp.CSVComma = '\t';
    c.Header = {"Mes films"};
    c.MoveToExported(2);
    c.MoveToExported(0);
    w.CaptionsGrid->item(2, 1)->setText(QStringLiteral("Film"));
    c.FileName = dir / "dialogue.csv";
    w.SaveOptionsTo(QString::fromStdString(cfg));
    OkWhenOver(w);
    w.StartButton->click();
  });
  EXPECT_NE(test::ReadFile(cfg).find("Comma=#9"), std::string::npos);
  const std::string fromDialog = test::ReadFile(dir / "dialogue.csv");
  EXPECT_EQ(fromDialog.substr(0, 28), "Mes films\t\r\n\"Film\"\t\"Index\"\r\n") << fromDialog;

  // Loaded into a new dialog: the type, the separator, the fields, the captions.
  TQExportDialog again;
  static_cast<exporting::ExportDialogSettings&>(again) =
      catalogue::MainWindowExportSettings(Main().Tvideo, dir.Path() + "/");
  again.OnShow = [&](TQExportDialogF* w) {
    w->LoadOptionsFrom(QString::fromStdString(cfg));
    ExportChoices& c = w->Choices();
    EXPECT_EQ(c.Type(), exporting::aeCSV);
    EXPECT_TRUE(w->findChild<QRadioButton*>("Type8")->isChecked());
    EXPECT_EQ(c.ASCIIExp.CSVComma, '\t');
    EXPECT_EQ(w->findChild<QLineEdit*>("CsvComma")->text().toStdString(), "#9");
    EXPECT_EQ(c.Exported, (std::vector<std::string>{"Titre", "Index"}));
    EXPECT_EQ(c.Captions[2].caption, "Film");
    EXPECT_EQ(c.FileName, dir / "dialogue.csv");
    w->close();
  };
  again.Execute(&Main());
  EXPECT_TRUE(dialogs.errors.empty());

  auto r = test::RunProgram({test::KorvaneExecutable(), "--dir", dir.Path(), "export", "csv",
                             "--options", cfg, "-o", dir / "cli.csv"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(test::ReadFile(dir / "cli.csv"), fromDialog);
}

// "Encodage" on the TXT/CSV page: UTF-8 with its order mark keeps the Greek
// title; Windows-1252 writes "?", and the progress window says so and waits
// for "OK" even when the file is opened afterwards.
TEST_F(ExportDialogTest, EncodingChoiceAndTheReplacementNote) {
  std::vector<test::Film> films = test::SampleFilms();
  films[0].titre = "Σμέρνα";
  Start(3, films);
  Prepare();
  dialog.SaveLoadButtons = true;
  QString note;
  Run([&](TQExportDialogF& w) {
    ExportChoices& c = w.Choices();
    w.SelectType(exporting::aeCSV);
    auto* encoding = w.findChild<QComboBox*>("AsciiEncoding");
    ASSERT_NE(encoding, nullptr);
    EXPECT_EQ(encoding->currentText().toStdString(), "windows-1252");
    encoding->setCurrentText(QStringLiteral("UTF-8-BOM"));
    EXPECT_EQ(c.ASCIIExp.Encoding, "UTF-8-BOM");
    // The HTML, XML and SQL pages have theirs.
    const auto choose = [&w](const char* box, const char* name) {
      auto* combo = w.findChild<QComboBox*>(box);
      ASSERT_NE(combo, nullptr) << box;
      combo->setCurrentText(QString::fromUtf8(name));
    };
    choose("HtmlEncoding", "UTF-8");
    choose("XmlEncoding", "ISO-8859-15");
    choose("SqlEncoding", "windows-1252");
    EXPECT_EQ(c.HTMLExp.Encoding, "UTF-8");
    EXPECT_EQ(c.XMLExp.Options.Encoding, "ISO-8859-15");
    EXPECT_EQ(c.SQLExp.Encoding, "windows-1252");
    w.SaveOptionsTo(QString::fromStdString(dir / "choix.cfg"));
    c.FileName = dir / "unicode.csv";
    OkWhenOver(w);
    w.StartButton->click();

    encoding->setCurrentText(QStringLiteral("windows-1252"));
    c.FileName = dir / "latin.csv";
    c.ShowFile = true;
    auto* timer = new QTimer(&w);
    QObject::connect(timer, &QTimer::timeout, &w, [&w, &note, timer] {
      TQExportDialogProgressF* p = w.Progress();
      if (!p || p->CurrentStage() != TQExportDialogProgressF::Finished || p->NoteText().isEmpty())
        return;
      note = p->NoteText();
      p->Button()->click();
      timer->stop();
    });
    timer->start(5);
    w.StartButton->click();
  });
  EXPECT_NE(test::ReadFile(dir / "choix.cfg").find("Encoding=UTF-8-BOM"), std::string::npos);
  EXPECT_NE(test::ReadFile(dir / "unicode.csv").find("\xEF\xBB\xBF"), std::string::npos);
  EXPECT_NE(test::ReadFile(dir / "unicode.csv").find("Σμέρνα"), std::string::npos);
  EXPECT_NE(test::ReadFile(dir / "latin.csv").find("\"??????\""), std::string::npos);
  EXPECT_TRUE(note.startsWith(
      QStringLiteral("6 caractères que l'encodage du fichier ne peut pas écrire remplacés")))
      << note.toStdString();
  EXPECT_TRUE(dialogs.errors.empty());
}

// The progress window counts the records, ends in "Fin de traitement" and
// holds the dialog until "OK"; its button asks whether to stop: "Non" goes on,
// "Oui" stops.
TEST_F(ExportDialogTest, ProgressAndTheStopQuestion) {
  Start(3, Films(44));
  std::string firstExport;
  Prepare();
  Run([&](TQExportDialogF& w) {
    ExportChoices& c = w.Choices();
    w.SelectType(exporting::aeCSV);
    c.ExportRecCount = 10;
    bool sawProgress = false;
    auto* timer = new QTimer(&w);
    QObject::connect(timer, &QTimer::timeout, &w, [&] {
      TQExportDialogProgressF* p = w.Progress();
      if (!p || p->CurrentStage() != TQExportDialogProgressF::Finished) return;
      sawProgress = true;
      EXPECT_EQ(p->CounterText().toStdString(), "10");
      EXPECT_EQ(p->CounterLabel().toStdString(), "Exporté");
      EXPECT_EQ(p->StatusText().toStdString(), "Fin de traitement");
      EXPECT_EQ(p->Button()->text().toStdString(), "OK");
      Screenshot(p, "export_progression");
      p->Button()->click();
    });
    timer->start(5);
    w.StartButton->click();
    timer->stop();
    EXPECT_TRUE(sawProgress);
    EXPECT_EQ(w.Progress(), nullptr);
    firstExport = test::ReadFile(dir / "video.csv");

    // Stopping: the button at the 5th record, "Non" then, at the 8th, "Oui".
    c.ExportRecCount = 0;
    dialogs.questionAnswers = {false, true};
    int pressed = 0;
    dialog.OnExportedRecord = [&](exporting::TQExport*, int n) {
      if ((n == 5 || n == 8) && w.Progress()) {
        ++pressed;
        w.Progress()->Button()->click();
      }
    };
    OkWhenOver(w);
    w.StartButton->click();
    dialog.OnExportedRecord = nullptr;
    EXPECT_EQ(pressed, 2);
    ASSERT_EQ(dialogs.questions.size(), 2u);
    EXPECT_EQ(dialogs.questions[0], "Etes vous sûr? | Voulez vous abandonner l'export?");

    // Escape: during the export, the stop question ("Non": it goes on); once
    // over, the window closes and releases the dialog.
    dialogs.questionAnswers = {false};
    dialog.OnExportedRecord = [&](exporting::TQExport*, int n) {
      if (n == 5 && w.Progress()) QTest::keyClick(w.Progress(), Qt::Key_Escape);
    };
    int waited = 0;
    bool rescued = false;
    c.FileName = dir / "echap.csv";
    auto* escTimer = new QTimer(&w);
    QObject::connect(escTimer, &QTimer::timeout, &w, [&] {
      TQExportDialogProgressF* p = w.Progress();
      if (!p || p->CurrentStage() != TQExportDialogProgressF::Finished) return;
      if (waited++ == 0) {
        QTest::keyClick(p, Qt::Key_Escape);
      } else if (waited > 200) {
        rescued = true;  // the dialog would have waited for good
        p->Button()->click();
      }
    });
    escTimer->start(5);
    w.StartButton->click();
    escTimer->stop();
    dialog.OnExportedRecord = nullptr;
    EXPECT_FALSE(rescued);
    EXPECT_EQ(dialogs.questions.size(), 3u);
    const std::string whole = test::ReadFile(dir / "echap.csv");
    EXPECT_EQ(std::count(whole.begin(), whole.end(), '\n'),
              1 + 44 + static_cast<long>(test::SampleFilms().size()));
  });
  // The stopped export leaves the earlier file as it was, and says so.
  EXPECT_EQ(std::count(firstExport.begin(), firstExport.end(), '\n'), 11) << firstExport;
  EXPECT_EQ(test::ReadFile(dir / "video.csv"), firstExport);
  EXPECT_EQ(dialogs.informations,
            std::vector<std::string>{"Export annulé : le fichier \"" + (dir / "video.csv") +
                                     "\" n'a pas été modifié."});
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST(ExportProgressWindow, StagesTimerAndSpeed) {
  TQExportDialogProgressF p(nullptr, nullptr);
  EXPECT_EQ(p.TimeText().toStdString(), "0:00:00");
  p.Notify(TQExportDialogProgressF::Begin);
  EXPECT_TRUE(p.TimerRunning());
  for (int i = 0; i < 3; ++i) p.Notify(TQExportDialogProgressF::Skipped);
  EXPECT_EQ(p.CounterLabel().toStdString(), "Exclus");
  EXPECT_EQ(p.CounterText().toStdString(), "3");
  for (int i = 0; i < 7; ++i) p.Notify(TQExportDialogProgressF::Exported);
  EXPECT_EQ(p.CounterText().toStdString(), "7");
  p.Notify(TQExportDialogProgressF::StopAsked);
  EXPECT_FALSE(p.TimerRunning());
  EXPECT_EQ(p.StatusText().toStdString(), "Pause");
  p.Notify(TQExportDialogProgressF::Continued);
  EXPECT_EQ(p.Button()->text().toStdString(), "Annuler");
  // 1.728 s shown as 0:00:01, and 10 rows in that time; an hour and a
  // minute for 100,000 rows.
  p.ShowElapsed(1728);
  EXPECT_EQ(p.TimeText().toStdString(), "0:00:01");
  EXPECT_EQ(p.SpeedText().toStdString(), "5 lignes/sec");
  p.ShowElapsed(3'660'000);
  EXPECT_EQ(p.TimeText().toStdString(), "1:01:00");
  p.Notify(TQExportDialogProgressF::StoppedByUser);
  EXPECT_EQ(p.StatusText().toStdString(), "Annulé");
  EXPECT_FALSE(p.ResultOk());
  p.Button()->click();
  EXPECT_TRUE(p.ResultOk());
}

TEST(ExportColorChooser, CellsAndAnswers) {
  using exporting::TQExportXLSColorEditorF;
  EXPECT_EQ(TQExportXLSColorEditorF::ColorAt(0, 0), exporting::clrBlack);
  EXPECT_EQ(TQExportXLSColorEditorF::ColorAt(176, 109), exporting::clrWhite);
  EXPECT_EQ(TQExportXLSColorEditorF::ColorAt(23, 23), static_cast<exporting::TxlsColor>(9));
  TQExportXLSColorEditorF chooser(nullptr, exporting::clrRed);
  EXPECT_EQ(chooser.Selected(), exporting::clrRed);
  QTimer::singleShot(0, [&] { chooser.findChild<QPushButton*>("Cancel")->click(); });
  EXPECT_EQ(chooser.exec(), QDialog::Rejected);
}

// Two Excel fields selected and "Gras" pressed: both become bold. The PDF
// orientation switched twice gives the page back.
TEST_F(ExportDialogTest, ExcelFieldsAndPdfOrientation) {
  Start(3, test::SampleFilms());
  Prepare();
  Run([&](TQExportDialogF& w) {
    ExportChoices& c = w.Choices();
    w.Pages->setCurrentWidget(w.XlsPage);
    auto* fields = w.findChild<QListWidget*>("XlsFields");
    ASSERT_NE(fields, nullptr);
    fields->setCurrentRow(1);
    fields->item(3)->setSelected(true);
    w.findChild<QToolButton*>("Gras")->click();
    EXPECT_TRUE(c.XlsFields[1].Font.Style.Has(exporting::xfsBold));
    EXPECT_TRUE(c.XlsFields[3].Font.Style.Has(exporting::xfsBold));
    EXPECT_FALSE(c.XlsFields[2].Font.Style.Has(exporting::xfsBold));
    Screenshot(&w, "export_excel");

    w.SelectType(exporting::aePDF);
    w.Pages->setCurrentWidget(w.PdfPage);
    const auto before = c.PDFExp.Options.PageOptions.InPoints();
    w.findChild<QRadioButton*>("PdfLandscape")->click();
    const auto turned = c.PDFExp.Options.PageOptions.InPoints();
    EXPECT_EQ(turned.width, before.height);
    EXPECT_EQ(turned.left, before.bottom);
    EXPECT_EQ(w.findChild<QLineEdit*>("PdfWidth")->text().toStdString(), "11.68");
    w.findChild<QRadioButton*>("PdfPortrait")->click();
    const auto back = c.PDFExp.Options.PageOptions.InPoints();
    EXPECT_EQ(std::tie(back.width, back.height, back.left, back.right, back.top, back.bottom),
              std::tie(before.width, before.height, before.left, before.right, before.top,
                       before.bottom));
    Screenshot(&w, "export_pdf");
  });
}

// Each of the fourteen types exported once from the dialog, its file read by
// the reader its format's own tests use.
TEST_F(ExportDialogTest, EveryTypeOnceAndItsReader) {
  Start(3, test::SampleFilms());
  Prepare();
  QApplication::clipboard()->clear();
  std::vector<std::string> files;
  Run([&](TQExportDialogF& w) {
    ExportChoices& c = w.Choices();
    for (int type = 0; type < exporting::kExportTypeCount; ++type) {
      w.SelectType(type);
      if (type != exporting::aeClipboard)
        c.FileName = dir / (std::string("tous.") + exporting::TypeText(type).extension);
      // The script's table is named after its file: VIDEO.
      if (type == exporting::aeSQL) c.FileName = dir / "video.sql";
      OkWhenOver(w);
      w.StartButton->click();
      if (type != exporting::aeClipboard) files.push_back(c.FileName);
      if (type == exporting::aeHTML) Screenshot(&w, "export_html");
    }
  });
  EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front();
  ASSERT_EQ(files.size(), 13u);
  const auto run = [](std::vector<std::string> argv, const std::string& where = {}) {
    auto r = test::RunProgram(argv, "", where);
    EXPECT_EQ(r.exitCode, 0) << argv[0] << " " << argv.back() << "\n" << r.out << r.err;
    return r.out;
  };
  run({"/usr/bin/python3", "-c",
       "import xlrd, sys; b = xlrd.open_workbook(sys.argv[1]); print(b.sheet_by_index(0).nrows)",
       files[0]});
  for (const std::string& rtf : {files[1], files[2]}) {
    run({"soffice", "-env:UserInstallation=file://" + dir.Path() + "/profil", "--headless",
         "--convert-to", "txt:Text (encoded):UTF8", "--outdir", dir / "lu", rtf});
    EXPECT_NE(test::ReadFile(dir / "lu/tous.txt").find("Zazie dans le métro"), std::string::npos)
        << rtf;
  }
  run({"xmllint", "--html", "--noout", files[3]});
  run({"xmllint", "--noout", files[4]});
  EXPECT_FALSE(test::ReadDbf(files[5], "cp1252").rows.empty());
  run({"qpdf", "--check", files[6]});
  for (size_t i = 7; i <= 10; ++i)
    run({"ssconvert", files[i], dir / ("lu" + std::to_string(i) + ".csv")});
  run({"pdflatex", "-interaction=nonstopmode", "-halt-on-error", "tous.tex"}, dir.Path());
  const std::string script = test::ReadFile(files[12]);  // UTF-8, as sqlite3 reads it
  platform::ForceDirectories(dir / "copie");
  test::MakeCatalogue(dir / "copie", 4);
  auto sql = test::RunProgram({"sqlite3", "-bail", dir / "copie/video.DB"}, script);
  EXPECT_EQ(sql.exitCode, 0) << sql.err;
  EXPECT_EQ(test::SqlRows(dir / "copie", "SELECT count(*) FROM video"),
            std::vector<std::string>{"6"});
  // The clipboard holds the list.
  EXPECT_NE(QApplication::clipboard()->text().toStdString().find("Zazie dans le métro"),
            std::string::npos);
}

// The three widget sources: the main window's grid (its columns and
// titles), a list view and a string grid, the list view also through the
// dialog.
TEST_F(ExportDialogTest, WidgetSources) {
  Start(3, test::SampleFilms());
  const auto csv = [](exporting::TQExport& e) {
    auto* ascii = dynamic_cast<exporting::TQExportASCII*>(&e);
    ascii->SetExportType(exporting::TQExportASCIIType::etCSV);
    ascii->CSVComma = ';';
    platform::MemoryStream m;
    e.ExportToStream(m);
    return platform::Cp1252ToUtf8(m.Data());
  };

  DBGridExportSource grid(Main().DBGrid1);
  exporting::TQExportASCII fromGrid;
  fromGrid.ExportSource = exporting::TQExportSource::esDBGrid;
  fromGrid.DBGrid = &grid;
  const std::string g = csv(fromGrid);
  EXPECT_EQ(g.substr(0, g.find("\r\n")),
            "\"Réf\";\"Titre\";\"Nb CD\";\"Support\";\"Genre\";\"Durée\";\"Nom\";\"Prêté le\"")
      << g;
  EXPECT_NE(
      g.find("\"R003\";\"Astérix et Obélix : Mission Cléopâtre\";\"2,00\";\"DVD\";\"Comédie\""),
      std::string::npos)
      << g;

  QTreeWidget tree;
  tree.setColumnCount(2);
  tree.setHeaderLabels({QStringLiteral("Titre"), QStringLiteral("Année")});
  for (const auto& [title, year] :
       std::vector<std::pair<QString, QString>>{{"Amélie", "2001"}, {"Zazie", "1960"}})
    new QTreeWidgetItem(&tree, QStringList{title, year});
  exporting::QtListViewSource view(&tree);
  exporting::TQExportASCII fromView;
  fromView.ExportSource = exporting::TQExportSource::esListView;
  fromView.ListView = &view;
  EXPECT_EQ(csv(fromView), "\"Titre\";\"Année\"\r\n\"Amélie\";\"2001\"\r\n\"Zazie\";\"1960\"\r\n");

  QTableWidget table(3, 2);
  const char* cells[3][2] = {{"Titre", "Genre"}, {"Élise", "Drame"}, {"Zazie", "Comédie"}};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 2; ++c)
      table.setItem(r, c, new QTableWidgetItem(QString::fromUtf8(cells[r][c])));
  exporting::QtStringGridSource strings(&table);
  exporting::TQExportASCII fromStrings;
  fromStrings.ExportSource = exporting::TQExportSource::esStringGrid;
  fromStrings.StringGrid = &strings;
  fromStrings.CaptionRow = 0;
  EXPECT_EQ(csv(fromStrings),
            "\"Titre\";\"Genre\"\r\n\"Élise\";\"Drame\"\r\n\"Zazie\";\"Comédie\"\r\n");

  // The dialog on the list view: its columns are the fields.
  dialog.ExportSource = exporting::TQExportSource::esListView;
  dialog.ListView = &view;
  dialog.ShowFile = false;
  dialog.FileName = dir / "liste.xls";
  Run([&](TQExportDialogF& w) {
    EXPECT_EQ(w.Choices().Available, (std::vector<std::string>{"Titre", "Année"}));
    w.SelectType(exporting::aeCSV);
    OkWhenOver(w);
    w.StartButton->click();
  });
  EXPECT_EQ(platform::Cp1252ToUtf8(test::ReadFile(dir / "liste.csv")),
            "\"Titre\";\"Année\"\r\n\"Amélie\";\"2001\"\r\n\"Zazie\";\"1960\"\r\n");
}

// Every page shown once (pictures of them with KVN_SCREENSHOT_DIR): the
// pages a type offers are the ones its choices use.
TEST_F(ExportDialogTest, EveryPage) {
  Start(3, test::SampleFilms());
  Prepare();
  Run([&](TQExportDialogF& w) {
    w.show();
    const std::pair<int, QWidget*> pages[] = {
        {exporting::aeXLS, w.TypePage},     {exporting::aeXLS, w.FieldsPage},
        {exporting::aeXLS, w.FormatsPage},  {exporting::aeXLS, w.HeaderFooterPage},
        {exporting::aeRTF, w.CaptionsPage}, {exporting::aeXLS, w.XlsPage},
        {exporting::aeRTF, w.RtfPage},      {exporting::aeHTML, w.HtmlPage},
        {exporting::aeXML, w.XmlPage},      {exporting::aePDF, w.PdfPage},
        {exporting::aeCSV, w.AsciiPage},    {exporting::aeSQL, w.SqlPage},
    };
    int n = 0;
    for (const auto& [type, page] : pages) {
      w.SelectType(type);
      ASSERT_TRUE(w.Pages->isTabVisible(w.Pages->indexOf(page))) << n;
      w.Pages->setCurrentWidget(page);
      QApplication::processEvents();
      Screenshot(&w, ("export_page_" + std::to_string(n++)).c_str());
    }
  });
}

// With the program's French translation loaded, no page of the dialog, no
// tab, list item, button or label, and not the progress window, shows an
// English word or a French one without its accent, and "?", "!" and ":" have
// their space before them.
TEST_F(ExportDialogTest, EveryTextIsFrenchWithTheTranslation) {
  QTranslator french;
  ASSERT_TRUE(french.load(QStringLiteral(":/i18n/korvane_fr.qm")));
  QApplication::installTranslator(&french);
  Start(3, test::SampleFilms());
  Prepare();
  const QStringList fonts = QFontDatabase::families();
  std::vector<std::string> texts;
  const auto collect = [&](QWidget* root) {
    texts.push_back(root->windowTitle().toStdString());
    for (QWidget* child : root->findChildren<QWidget*>()) {
      if (auto* l = qobject_cast<QLabel*>(child)) texts.push_back(l->text().toStdString());
      if (auto* b = qobject_cast<QAbstractButton*>(child)) texts.push_back(b->text().toStdString());
      if (auto* g = qobject_cast<QGroupBox*>(child)) texts.push_back(g->title().toStdString());
      if (auto* t = qobject_cast<QTabWidget*>(child))
        for (int i = 0; i < t->count(); ++i) texts.push_back(t->tabText(i).toStdString());
      if (auto* c = qobject_cast<QComboBox*>(child); c && !c->isEditable())
        for (int i = 0; i < c->count(); ++i)
          if (!fonts.contains(c->itemText(i))) texts.push_back(c->itemText(i).toStdString());
      if (!child->toolTip().isEmpty()) texts.push_back(child->toolTip().toStdString());
    }
  };
  Run([&](TQExportDialogF& w) {
    collect(&w);
    TQExportDialogProgressF progress(&w, nullptr);
    progress.Notify(TQExportDialogProgressF::Fetched);
    collect(&progress);
    texts.push_back(progress.StatusText().toStdString());
    texts.push_back(progress.CounterLabel().toStdString());
  });
  // The main window's menus and the about box, made again with the translation.
  TearDown();
  created = false;
  CreateTheWindows();
  std::vector<std::string> menus;
  for (QAction* menu : Main().menuBar()->actions()) {
    menus.push_back(menu->text().toStdString());
    for (QAction* item : menu->menu()->actions()) menus.push_back(item->text().toStdString());
  }
  EXPECT_NE(std::find(menus.begin(), menus.end(), "Édition"), menus.end());
  EXPECT_NE(std::find(menus.begin(), menus.end(), "À propos…"), menus.end());
  EXPECT_EQ(Forms().apropos->windowTitle().toStdString(), "À propos…");
  texts.insert(texts.end(), menus.begin(), menus.end());
  QApplication::removeTranslator(&french);
  ASSERT_GT(texts.size(), 300u);
  const std::regex english(
      "\\b(Cancel|Cell|padding|spacing|Choose|color|files|Fetched|Fetching|Height|Width|Landscape|"
      "Margins|Page Options|"
      "Page Size|Page "
      "Orientation|Encoding|Quote|strings|Units|Body|Cascade|Sheets|Custom|Classic|Gray|Murky|"
      "Plain|"
      "Letter|Legal|Fanfold|Inches|Millimeters|Dots|Left|Right|Top|Bottom|User)\\b");
  const std::regex unaccented(
      "\\b(A propos|A "
      "Propos|Edition|Edité|exportes|Etat|Etes|Epaisseur|Ecraser|Entête|Chaine|Aggregat|AGGREGAT|"
      "ENTETE|enrgt|enrgts|"
      "Presse-papier)\\b");
  // "?" "!" ":" glued to a word, not in a file filter, a time or an address.
  const std::regex glued("[[:alnum:]\\]\\)](\\?|!|:)(\\s|$)");
  for (const std::string& text : texts) {
    EXPECT_FALSE(std::regex_search(text, english)) << text;
    EXPECT_FALSE(std::regex_search(text, unaccented)) << text;
    EXPECT_FALSE(std::regex_search(text, glued)) << text;
  }
}

}  // namespace
}  // namespace kvn::app
