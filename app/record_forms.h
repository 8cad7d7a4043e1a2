// The record windows: new films, editing and lending, deletion, and the cover
// viewer.
#pragma once

#include <QImage>
#include <memory>

#include "app/data_controls.h"
#include "app/film_details.h"
#include "app/forms.h"
#include "app/loans_window.h"
#include "db/table.h"

class QCalendarWidget;
class QLabel;
class QScrollArea;

namespace kvn::app {

// Genre and medium suggestions, shared by the record and search windows.
const QStringList& GenreList();
const QStringList& MediumList();

// "Nouvelle Fiche": adds films one after the other on a cursor of its own that
// always holds one pending row.
class TfrmNFiche : public Form {
 public:
  explicit TfrmNFiche(QWidget* parent = nullptr);

  db::Table TNFiche;
  DataSource DataSourceNFiche{&TNFiche};

  void FormCreate() override;
  void SpeedButton1Click();  // "Parcourir" (the front cover)
  void SpeedButton4Click();  // "Parcourir" (the back cover)
  void BitBtn1Click();       // "Valider les enregistrements"
  void BitBtn2Click();       // "Fermer"

  DBEdit* EditReference;
  DurationEdit* MaskEdit1;
  DBComboBox* DBComboBoxGenre;
  DBComboBox* DBComboBoxSupport;
  DBEdit* EditTitre;
  DBEdit* DBEdit2;
  QLineEdit* EditJaquette;
  QLineEdit* EditJaquetteAR;
  DBEdit* EditDuree;
  DBEdit* DBEdit1;
  DBEdit* DBEdit3;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QTabWidget* Tabs;
  FilmDetailsPage* Details;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // A film of the same title (accents and case aside) is there already:
  // true when the user still wants this one added.
  bool AddingTwiceConfirmed();
  // Each opening starts on "Référence".
  void showEvent(QShowEvent* event) override;
};

// "Modification": edits the current film of the main list, lends and returns it.
// It stays above the main window, and every box follows the film that is
// current in the list.
class TfrmMFiche : public Form {
 public:
  explicit TfrmMFiche(QWidget* parent = nullptr);
  ~TfrmMFiche() override;

  void FormCreate() override;
  // The heading, the duration box, the path boxes and the loan date from the
  // current film.
  void LoadCurrentFilm();
  void SetFocusOrder();
  void Button1Click();                          // "..." (choose the front cover)
  void Button2Click();                          // "..." (choose the back cover)
  void SpeedButton1Click();                     // the eye beside the front cover: view it
  void SpeedButton5Click();                     // the eye beside the back cover: view it
  void MonthCalendar1Click(const QDate& date);  // a day of the calendar: the loan date
  void SpeedButton2Click();                     // "Réinitialiser le prêt"
  void BitBtn1Click();                          // "Valider la modification"
  void BitBtn2Click();                          // "Fermer"
  void Btn_ImpJaquetteClick();

  QLabel* lblEnregistrement;
  DBEdit* EditReference;
  DBEdit* EditTitre;
  DurationEdit* MaskEdit1;
  DBComboBox* DBComboBox1;
  DBComboBox* DBComboBox2;
  DBEdit* DBEdit2;
  QLineEdit* Edit1;
  QLineEdit* Edit2;
  QPushButton* Button1;
  QPushButton* Button2;
  QPushButton* SpeedButton1;
  QPushButton* SpeedButton5;
  QPushButton* Btn_ImpJaquette;
  DBEdit* DBEdit1;
  QCalendarWidget* MonthCalendar1;
  QPushButton* SpeedButton2;
  DBEdit* EditDure;
  DBEdit* DBEdit4;
  DBEdit* DBEdit3;
  DBEdit* DBEdit5;
  QLineEdit* Edit3;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QTabWidget* Tabs;
  FilmDetailsPage* Details;
  FilmLoansPage* LoansPage;

 private:
  void ViewCover(const QLineEdit* path);
  class Follower;
  std::unique_ptr<Follower> m_follower;
};

// The checks a film passes before it is written: a title, and a number of
// discs from 0 to 99. Shows a French warning and puts the focus on the box at
// fault; false when the film is refused.
bool CheckFilm(QWidget* window, QLineEdit* title, QLineEdit* discs);
// Refuses a duration the catalogue cannot take, saying what the box expects.
bool CheckDuration(DurationEdit* box);

// "Suppression": shows the current film and deletes it after confirmation.
class TfrmSFiche : public Form {
 public:
  explicit TfrmSFiche(QWidget* parent = nullptr);
  void FormCreate() override;
  void BitBtn1Click();  // "Supprimer l'enregistrement"
  void BitBtn2Click();  // "Fermer"

  QLabel* lblNumero;
  DBEdit* EditReference;
  DBEdit* EditTitre;
  DurationEdit* MaskEdit1;
  DBComboBox* DBComboBox1;
  DBComboBox* DBComboBox2;
  DBEdit* EditDure;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
};

// "Visualisation de la jaquette": one picture at its own size, scrolled when
// larger than the window.
class TfrmJaquette : public Form {
 public:
  explicit TfrmJaquette(QWidget* parent = nullptr);
  void SetPicture(const QImage& image);
  QLabel* Image1;
  QScrollArea* ScrollBox;
};

}  // namespace kvn::app
