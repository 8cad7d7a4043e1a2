// Cover pictures read from files, and the program's own pictures (toolbar and
// menu pictograms, banner), drawn in code.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace kvn::app {

// Reads a cover picture: JPEG, bitmap or icon. Throws kvn::Error with
// "Extension de fichier image inconnue (.%s)" for another extension, the file
// message for a missing file, and a clear message for metafiles, which cannot be
// drawn here.
QImage LoadPicture(const QString& path);

// The filter of the picture choice dialogs.
extern const char kPictureFilter[];

enum class Pictogram {
  NewRecord,
  Edit,
  Export,
  Delete,
  Search,
  Print,
  Quit,
  Scan,
  Archive,
  Help,
  About,
  Bug,
  View,
};

// A pictogram at a size (32 for the toolbar, 16 for menus).
QPixmap DrawPictogram(Pictogram which, int size);
QIcon PictogramIcon(Pictogram which);
// The program's banner: name, version and a strip of film.
QPixmap DrawBanner(QSize size);

}  // namespace kvn::app
