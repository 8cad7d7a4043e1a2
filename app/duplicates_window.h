// "Doublons": the films the collection may hold twice (the same EAN, or the
// same title and year), in groups. A film chosen becomes the main list's
// current film; "Modifier la fiche" opens it.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <vector>

#include "catalogue/film_duplicates.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace kvn::db {
class Database;
}

namespace kvn::app {

class DuplicatesWindow : public QDialog {
 public:
  explicit DuplicatesWindow(db::Database& database, QWidget* parent = nullptr);

  // Looks for the duplicates again.
  void Reload();
  // The film of the selected line (0 on a group's line or none).
  int64_t SelectedFilm() const;

  QTreeWidget* Groups;  // a line per group, its films under it
  QLabel* Summary;
  QPushButton* EditButton;
  // Called with the film chosen (double click, or "Modifier la fiche" with
  // edit true).
  std::function<void(int64_t film, bool edit)> OnFilmChosen;

 private:
  db::Database& m_database;
};

}  // namespace kvn::app
