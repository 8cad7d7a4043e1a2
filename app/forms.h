// What every window of the program shares: the registry of the windows created
// at start-up, the catalogue and program directories, and the base of the
// secondary windows whose creation handler runs again each time they are
// activated (that is how they reload their values).
#pragma once

#include <QDialog>
#include <QString>
#include <string>

class QLabel;
class QPushButton;
class QToolButton;

namespace kvn::app {

class TForm1;
class Tapropos;
class TfrmNFiche;
class TfrmMFiche;
class TfrmSFiche;
class TfrmJaquette;
class TfrmSCfiche;
class TfrmRecherche;
class TfrmImprimer;
class TfrmRImprimer;
class Tfrm_ImpJaquettes;
class TQuickReport1;

// The windows, created once at start-up in this order and kept until the end.
struct Windows {
  TForm1* form1 = nullptr;
  Tapropos* apropos = nullptr;
  TfrmNFiche* frmNFiche = nullptr;
  TfrmMFiche* frmMFiche = nullptr;
  TfrmSFiche* frmSFiche = nullptr;
  TfrmRecherche* frmRecherche = nullptr;
  TfrmImprimer* frmImprimer = nullptr;
  TfrmRImprimer* frmRImprimer = nullptr;
  TfrmJaquette* frmJaquette = nullptr;
  TfrmSCfiche* frmSCfiche = nullptr;
  Tfrm_ImpJaquettes* frm_ImpJaquettes = nullptr;
  TQuickReport1* quickReport1 = nullptr;
};
Windows& Forms();

// The catalogue directory (video.DB, kvn.ini, Archive/), with a trailing "/".
const std::string& CatalogueDirectory();
void SetCatalogueDirectory(const std::string& dir);
// The help's first page: Aide/ beside the executable, or installed.
std::string HelpPage();
// Qt's widgets and dialogs (calendars, number boxes) in French.
void UseFrenchLocale();
// The application title shown by information and error boxes.
QString ApplicationTitle();

class Form : public QDialog {
 public:
  explicit Form(QWidget* parent = nullptr);
  // Runs at creation and each time the window becomes active after another of
  // the program's windows was (not after its own message boxes or dialogs).
  virtual void FormCreate() {}
  // Shows the window modally; returns its result.
  int ShowModal();

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void SetClientSize(int width, int height, bool fixed = true);
  // Runs the creation handler now, showing what it throws.
  void Create();
};

// Tells the forms that a window other than them (the main window) became active.
void OtherWindowActivated();

// The Windows font names the windows use, mapped to metric-compatible fonts.
void InstallFontSubstitutes();

// Places a window in the middle of the screen.
void CenterOnScreen(QWidget* window);

// Small builders for absolutely placed controls.
QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y);
QPushButton* MakeButton(QWidget* parent, const QString& objectName, const QString& text,
                        QRect geometry, bool flat = false);

}  // namespace kvn::app
