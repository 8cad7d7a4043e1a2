#include "app/pictures.h"

#include <QFileInfo>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cerrno>

#include "platform/error.h"
#include "platform/strings.h"
#include "platform/sys_error.h"

namespace kvn::app {

// PNG, the most common picture on Linux, and every other format Qt reads
// (GIF, WebP, TIFF... as its plug-ins allow) are covers too.
const char kPictureFilter[] =
    "Tout (*.jpg;*.jpeg;*.png;*.bmp;*.gif;*.webp;*.tif;*.tiff;*.ico;*.emf;*.wmf)|"
    "*.jpg;*.jpeg;*.png;*.bmp;*.gif;*.webp;*.tif;*.tiff;*.ico;*.emf;*.wmf|"
    "Fichier image JPEG (*.jpg)|*.jpg|Fichier image JPEG (*.jpeg)|*.jpeg|Image PNG (*.png)|*.png|"
    "Bitmaps (*.bmp)|*.bmp|Image GIF (*.gif)|*.gif|Image WebP (*.webp)|*.webp|"
    "Image TIFF (*.tif;*.tiff)|*.tif;*.tiff|"
    "Icônes (*.ico)|*.ico|MétaFichiers améliorés (*.emf)|*.emf|MetaFichiers (*.wmf)|*.wmf";

QImage LoadPicture(const QString& path) {
  const QString ext = QFileInfo(path).suffix();
  const QString lower = ext.toLower();
  const std::string utf8 = path.toStdString();
  const bool readable = lower == "jpg" || lower == "jpeg" ||
                        QImageReader::supportedImageFormats().contains(lower.toLatin1());
  if (!readable && lower != "emf" && lower != "wmf")
    throw Error(platform::Subst("Extension de fichier image inconnue (.%s)", {ext.toStdString()}));
  QFileInfo info(path);
  if (!info.exists() || info.isDir())
    throw Error(platform::FileOpenMessage(utf8, info.isDir() ? EISDIR : ENOENT));
  if (lower == "emf" || lower == "wmf")
    throw Error(platform::Subst(
        "Le métafichier \"%s\" ne peut pas être affiché : Korvane lit les jaquettes JPEG, PNG, "
        "bitmap, icône et les autres formats d'image courants. Enregistrez la jaquette dans l'un "
        "de ces formats.",
        {utf8}));
  QImageReader reader(path, lower == "jpg" || lower == "jpeg" ? "jpeg" : lower.toLatin1());
  reader.setDecideFormatFromContent(true);
  QImage image = reader.read();
  if (image.isNull()) {
    if (!info.isReadable()) throw Error(platform::FileOpenMessage(utf8, EACCES));
    throw Error(platform::Subst("Le fichier image \"%s\" est illisible ou endommagé.", {utf8}));
  }
  return image;
}

namespace {

void Setup(QPainter& p, int size) {
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
}

void Sheet(QPainter& p, QColor fill) {
  QPainterPath sheet;
  sheet.moveTo(7, 3);
  sheet.lineTo(20, 3);
  sheet.lineTo(26, 9);
  sheet.lineTo(26, 29);
  sheet.lineTo(7, 29);
  sheet.closeSubpath();
  p.setPen(QPen(QColor(70, 70, 90), 1.5));
  p.setBrush(fill);
  p.drawPath(sheet);
  p.drawLine(QPointF(20, 3), QPointF(20, 9));
  p.drawLine(QPointF(20, 9), QPointF(26, 9));
}

void Lines(QPainter& p) {
  p.setPen(QPen(QColor(120, 120, 150), 1.5));
  for (int y = 14; y <= 24; y += 5) p.drawLine(11, y, 22, y);
}

}  // namespace

QPixmap DrawPictogram(Pictogram which, int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  Setup(p, size);
  switch (which) {
    case Pictogram::NewRecord:
      Sheet(p, Qt::white);
      Lines(p);
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(30, 150, 60));
      p.drawEllipse(QPointF(24, 24), 7, 7);
      p.setPen(QPen(Qt::white, 2.5));
      p.drawLine(QPointF(24, 20), QPointF(24, 28));
      p.drawLine(QPointF(20, 24), QPointF(28, 24));
      break;
    case Pictogram::Edit:
      Sheet(p, Qt::white);
      Lines(p);
      p.setPen(QPen(QColor(60, 60, 60), 1));
      p.setBrush(QColor(240, 180, 40));
      {
        QPolygonF pencil;
        pencil << QPointF(27, 9) << QPointF(31, 13) << QPointF(17, 27) << QPointF(12, 29)
               << QPointF(13, 23);
        p.drawPolygon(pencil);
      }
      break;
    case Pictogram::Export:
      Sheet(p, QColor(235, 245, 255));
      Lines(p);
      p.setPen(QPen(QColor(20, 90, 190), 3));
      p.drawLine(QPointF(14, 20), QPointF(29, 20));
      p.drawLine(QPointF(24, 15), QPointF(29, 20));
      p.drawLine(QPointF(24, 25), QPointF(29, 20));
      break;
    case Pictogram::Delete:
      p.setPen(QPen(QColor(80, 80, 80), 1.5));
      p.setBrush(QColor(200, 205, 210));
      p.drawRect(QRectF(9, 9, 14, 20));
      p.drawRect(QRectF(6, 5, 20, 4));
      p.drawRect(QRectF(13, 2, 6, 3));
      p.setPen(QPen(QColor(200, 30, 30), 3));
      p.drawLine(QPointF(4, 4), QPointF(28, 28));
      p.drawLine(QPointF(28, 4), QPointF(4, 28));
      break;
    case Pictogram::Search:
    case Pictogram::View:
      p.setPen(QPen(QColor(60, 60, 60), 3));
      p.setBrush(QColor(200, 230, 255));
      p.drawEllipse(QPointF(13, 13), 9, 9);
      p.setPen(QPen(QColor(120, 80, 40), 5, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(20, 20), QPointF(28, 28));
      break;
    case Pictogram::Print:
      p.setPen(QPen(QColor(70, 70, 70), 1.5));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(9, 3, 14, 10));
      p.setBrush(QColor(170, 175, 185));
      p.drawRoundedRect(QRectF(3, 12, 26, 12), 2, 2);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(9, 20, 14, 9));
      p.setPen(QPen(QColor(40, 160, 40), 2));
      p.drawPoint(QPointF(25, 16));
      break;
    case Pictogram::Quit:
      p.setPen(QPen(QColor(90, 60, 30), 1.5));
      p.setBrush(QColor(160, 110, 60));
      p.drawRect(QRectF(8, 3, 16, 26));
      p.setBrush(QColor(240, 200, 60));
      p.drawEllipse(QPointF(20, 17), 1.5, 1.5);
      p.setPen(QPen(QColor(200, 30, 30), 2.5));
      p.drawLine(QPointF(25, 16), QPointF(31, 16));
      p.drawLine(QPointF(28, 13), QPointF(31, 16));
      p.drawLine(QPointF(28, 19), QPointF(31, 16));
      break;
    case Pictogram::Scan:
      p.setPen(QPen(QColor(70, 70, 70), 1.5));
      p.setBrush(QColor(190, 195, 205));
      p.drawRoundedRect(QRectF(2, 14, 28, 12), 2, 2);
      p.setBrush(QColor(120, 200, 255));
      p.drawRect(QRectF(5, 11, 22, 3));
      p.setPen(QPen(QColor(40, 200, 80), 2));
      p.drawLine(QPointF(6, 20), QPointF(26, 20));
      break;
    case Pictogram::Archive:
      p.setPen(QPen(QColor(90, 70, 30), 1.5));
      p.setBrush(QColor(230, 190, 110));
      p.drawRect(QRectF(4, 11, 24, 18));
      p.setBrush(QColor(210, 165, 80));
      p.drawRect(QRectF(2, 6, 28, 6));
      p.setBrush(QColor(90, 70, 30));
      p.drawRect(QRectF(12, 15, 8, 3));
      break;
    case Pictogram::Help:
    case Pictogram::About:
    case Pictogram::Bug: {
      QColor c = which == Pictogram::Bug ? QColor(200, 60, 40) : QColor(30, 100, 200);
      p.setPen(Qt::NoPen);
      p.setBrush(c);
      p.drawEllipse(QPointF(16, 16), 14, 14);
      p.setPen(Qt::white);
      QFont f("Liberation Sans", 18, QFont::Bold);
      p.setFont(f);
      p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter,
                 which == Pictogram::Help    ? "?"
                 : which == Pictogram::About ? "i"
                                             : "!");
      break;
    }
  }
  return pm;
}

QIcon PictogramIcon(Pictogram which) {
  QIcon icon;
  icon.addPixmap(DrawPictogram(which, 16));
  icon.addPixmap(DrawPictogram(which, 32));
  return icon;
}

QPixmap DrawBanner(QSize size) {
  QPixmap pm(size);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, size.height());
  g.setColorAt(0, QColor(20, 30, 70));
  g.setColorAt(1, QColor(60, 20, 50));
  p.fillRect(pm.rect(), g);
  // A strip of film across the lower part.
  const int stripTop = size.height() * 62 / 100;
  const int stripHeight = size.height() * 22 / 100;
  p.fillRect(QRect(0, stripTop, size.width(), stripHeight), QColor(15, 15, 15));
  p.setBrush(QColor(230, 230, 230));
  p.setPen(Qt::NoPen);
  for (int x = 6; x < size.width(); x += 18) {
    p.drawRoundedRect(QRectF(x, stripTop + 4, 8, 6), 1.5, 1.5);
    p.drawRoundedRect(QRectF(x, stripTop + stripHeight - 10, 8, 6), 1.5, 1.5);
  }
  for (int i = 0, x = 10; x < size.width(); ++i, x += stripHeight + 8) {
    QColor frame = QColor::fromHsv((i * 53) % 360, 120, 180);
    p.fillRect(QRect(x, stripTop + 13, stripHeight - 4, stripHeight - 26), frame);
  }
  p.setPen(QColor(250, 220, 120));
  QFont title("Liberation Serif", size.height() / 6, QFont::Bold);
  p.setFont(title);
  p.drawText(QRect(0, size.height() / 12, size.width(), size.height() / 3), Qt::AlignCenter,
             QStringLiteral("Korvane"));
  p.setPen(Qt::white);
  QFont sub("Liberation Sans", qMax(8, size.height() / 18));
  p.setFont(sub);
  p.drawText(QRect(0, size.height() * 38 / 100, size.width(), size.height() / 5), Qt::AlignCenter,
             QStringLiteral("Catalogue de films — version 1.0"));
  return pm;
}

}  // namespace kvn::app
