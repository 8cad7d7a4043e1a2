// The "Détails" tab of the record windows: the film's year, director, actors,
// country, original title, summary, note, whether it was seen and its EAN,
// each box bound to its field. The record windows put their own boxes on a
// first tab "Fiche", as they were, and this page on the second.
#pragma once

#include <QTabWidget>
#include <QWidget>
#include <initializer_list>

#include "app/data_controls.h"

namespace kvn::app {

class FilmDetailsPage : public QWidget {
 public:
  FilmDetailsPage(DataSource* source, QWidget* parent = nullptr);

  // Checks the boxes by the catalogue's rules: on a wrong value the user is
  // told why, the tab is shown and the box has the focus; false then.
  bool Check(QWidget* window, QTabWidget* tabs);
  // Puts the page's boxes in the window's focus order between two widgets
  // (once the page is in the window).
  void ChainFocus(QWidget* before, QWidget* after);

  DBEdit* EditAnnee;
  DBEdit* EditRealisateur;
  DBEdit* EditActeurs;
  DBComboBox* EditPays;
  DBEdit* EditTitreOriginal;
  DBMemo* MemoResume;
  DBSpinBox* SpinNote;
  DBCheckBox* CheckVu;
  DBEdit* EditEAN;
};

// Moves the window's groups onto a first tab "Fiche" of a new tab widget at
// area, keeping their layout and focus order, and adds the details on a
// second tab "Détails"; a tab chosen by keys gives the focus to its first box
// (firstBox on the first tab). Returns the tab widget.
QTabWidget* PutOnTabs(QWidget* window, QRect area, std::initializer_list<QWidget*> groups,
                      QWidget* firstBox, FilmDetailsPage* details);

// The height the tab bar adds to a window.
constexpr int kTabBarHeight = 30;

}  // namespace kvn::app
