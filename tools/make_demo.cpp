// Writes a demo catalogue directory: an empty catalogue made as `korvane init`
// makes it, then a few dozen French films with running times, loans and cover
// pictures drawn here (JPEG and BMP files in DIR/jaquettes).
// With --films N, N generated films instead (no pictures), for benchmarks.
// Usage: korvane-demo [--films N] DIR
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "catalogue/catalogue_files.h"
#include "db/table.h"
#include "platform/conversions.h"
#include "tools/film_generator.h"

namespace {

struct DemoFilm {
  const char* reference;
  const char* titre;
  const char* genre;
  const char* support;
  const char* duree;
  double nbCd;
  const char* nom;      // borrower, or nullptr
  const char* preteLe;  // dd/mm/yyyy, or nullptr
  bool front;
  bool back;
};

const DemoFilm kFilms[] = {
    {"DVD-001", "Le Fabuleux Destin d'Amélie Poulain", "Comédie", "DVD", "02:02:00", 1, nullptr,
     nullptr, true, true},
    {"DVD-002", "La Haine", "Drame", "DVD", "01:38:00", 1, "Jérôme Martin", "14/11/2026", true,
     false},
    {"VHS-003", "Les Visiteurs", "Comédie", "VHS", "01:47:00", 1, nullptr, nullptr, true, false},
    {"DVD-004", "Le Dîner de cons", "Comédie", "DVD", "01:20:00", 1, nullptr, nullptr, true, true},
    {"DVD-005", "Astérix et Obélix : Mission Cléopâtre", "Comédie", "DVD", "01:47:00", 1, nullptr,
     nullptr, true, false},
    {"VHS-006", "Le Grand Bleu", "Drame", "VHS", "02:48:00", 2, "Hélène Dubois", "02/12/2026", true,
     false},
    {"DVD-007", "Léon", "Action", "DVD", "01:50:00", 1, nullptr, nullptr, true, true},
    {"DVD-008", "Nikita", "Action", "DVD", "01:57:00", 1, nullptr, nullptr, false, false},
    {"VCD-009", "La Cité de la peur", "Comédie", "VCD", "01:33:00", 2, nullptr, nullptr, true,
     false},
    {"DVD-010", "Le Cinquième Élément", "Science-Fiction", "DVD", "02:06:00", 1, "Zoé Lefèvre",
     "28/11/2026", true, true},
    {"DVD-011", "Les Quatre Cents Coups", "Drame", "DVD", "01:39:00", 1, nullptr, nullptr, true,
     false},
    {"VHS-012", "À bout de souffle", "Policier", "VHS", "01:30:00", 1, nullptr, nullptr, true,
     false},
    {"DVD-013", "La Grande Vadrouille", "Guerre", "DVD", "02:12:00", 1, nullptr, nullptr, true,
     false},
    {"DVD-014", "Jean de Florette", "Drame", "DVD", "02:01:00", 1, nullptr, nullptr, true, false},
    {"DVD-015", "Manon des sources", "Drame", "DVD", "01:53:00", 1, nullptr, nullptr, false, false},
    {"VHS-016", "Le Pacte des loups", "Horreur", "VHS", "02:22:00", 2, nullptr, nullptr, true,
     false},
    {"DivX-017", "Les Rivières pourpres", "Thriller", "DivX ;-)", "01:46:00", 1, "Loïc Bernard",
     "05/10/2026", true, false},
    {"DVD-018", "Taxi", "Action", "DVD", "01:26:00", 1, nullptr, nullptr, true, false},
    {"DVD-019", "Le Père Noël est une ordure", "Comédie", "DVD", "01:28:00", 1, nullptr, nullptr,
     true, true},
    {"(S)VCD-020", "Les Bronzés font du ski", "Comédie", "(S)VCD", "01:30:00", 2, nullptr, nullptr,
     true, false},
    {"DVD-021", "Cyrano de Bergerac", "Romantique", "DVD", "02:17:00", 1, nullptr, nullptr, true,
     false},
    {"DVD-022", "Indochine", "Drame", "DVD", "02:39:00", 2, nullptr, nullptr, false, false},
    {"VHS-023", "La Reine Margot", "Drame", "VHS", "02:42:00", 2, nullptr, nullptr, true, false},
    {"DVD-024", "Les Choristes", "Drame", "DVD", "01:37:00", 1, "Chloé Moreau", "20/11/2026", true,
     false},
    {"DVD-025", "Microcosmos", "Fiction", "DVD", "01:13:00", 1, nullptr, nullptr, true, false},
    {"DVD-026", "Le Roi et l'Oiseau", "Dessin animé", "DVD", "01:27:00", 1, nullptr, nullptr, true,
     true},
    {"DVD-027", "Les Triplettes de Belleville", "Dessin animé", "DVD", "01:20:00", 1, nullptr,
     nullptr, true, false},
    {"VHS-028", "Le Salaire de la peur", "Thriller", "VHS", "02:11:00", 1, nullptr, nullptr, false,
     false},
    {"DVD-029", "Les Tontons flingueurs", "Policier", "DVD", "01:45:00", 1, nullptr, nullptr, true,
     false},
    {"DVD-030", "OSS 117 : Le Caire, nid d'espions", "Comédie", "DVD", "01:39:00", 1, nullptr,
     nullptr, true, false},
    {"DVD-031", "Le Samouraï", "Policier", "DVD", "01:45:00", 1, nullptr, nullptr, true, false},
    {"DivX-032", "La Planète sauvage", "Science-Fiction", "DivX ;-)", "01:12:00", 1, nullptr,
     nullptr, true, false},
    {"DVD-033", "Il était une fois dans l'Ouest", "Western", "DVD", "02:45:00", 2, "Gérard Faure",
     "01/12/2026", true, true},
    {"DVD-034", "Ben-Hur", "Peplum", "DVD", "03:32:00", 2, nullptr, nullptr, true, false},
    {"VHS-035", "La Fureur du dragon", "Karate", "VHS", "01:39:00", 1, nullptr, nullptr, false,
     false},
    {"DVD-036", "Un long dimanche de fiançailles", "Guerre", "DVD", "02:13:00", 1, nullptr, nullptr,
     true, false},
};

// A cover: a coloured gradient, a frame and the title.
QImage DrawCover(const QString& title, const QString& subtitle, int index, bool back) {
  QImage image(back ? 360 : 300, back ? 270 : 420, QImage::Format_RGB32);
  QPainter p(&image);
  QColor a = QColor::fromHsv((index * 47) % 360, 160, 200);
  QColor b = a.darker(260);
  QLinearGradient g(0, 0, 0, image.height());
  g.setColorAt(0, back ? b : a);
  g.setColorAt(1, back ? a : b);
  p.fillRect(image.rect(), g);
  p.setPen(QPen(QColor(255, 255, 255, 180), 4));
  p.drawRect(image.rect().adjusted(10, 10, -11, -11));
  p.setPen(Qt::white);
  QFont font("Liberation Serif", back ? 16 : 24, QFont::Bold);
  p.setFont(font);
  p.drawText(image.rect().adjusted(24, 40, -24, -80), Qt::AlignHCenter | Qt::TextWordWrap, title);
  font.setPointSize(12);
  font.setBold(false);
  p.setFont(font);
  p.drawText(image.rect().adjusted(24, 0, -24, -30), Qt::AlignHCenter | Qt::AlignBottom, subtitle);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  const bool generated = argc == 4 && std::string(argv[1]) == "--films";
  const std::optional<int64_t> count =
      generated ? kvn::platform::TryStrToInt64(argv[2]) : std::nullopt;
  if (!(argc == 2 || (generated && count && *count >= 0))) {
    std::fprintf(stderr, "Utilisation : korvane-demo [--films N] RÉPERTOIRE\n");
    return 2;
  }
  const std::string dir = argv[argc - 1];
  if (generated) {
    try {
      kvn::tools::WriteGeneratedCatalogue(dir, *count);
      std::printf("Catalogue de %lld films créé dans %s\n", static_cast<long long>(*count),
                  dir.c_str());
      return 0;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", e.what());
      return 1;
    }
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  try {
    kvn::catalogue::InitCatalogue(dir);
    const std::string covers = dir + "/jaquettes";
    std::filesystem::create_directories(covers);
    kvn::db::Database db(dir);
    kvn::db::Table t(db);
    t.SetTableName("Video");
    t.Open();
    int index = 0;
    for (const DemoFilm& f : kFilms) {
      ++index;
      t.Insert();
      t.FieldByName("Reference").SetText(f.reference);
      t.FieldByName("Titre").SetText(f.titre);
      t.FieldByName("Genre").SetText(f.genre);
      t.FieldByName("Support").SetText(f.support);
      t.FieldByName("Durée").SetText(f.duree);
      t.FieldByName("Nb_cd").SetText(std::to_string(static_cast<int>(f.nbCd)));
      if (f.nom) t.FieldByName("Nom").SetText(f.nom);
      if (f.preteLe) t.FieldByName("Prêté_le").SetText(f.preteLe);
      const QString title = QString::fromUtf8(f.titre);
      const QString subtitle = QString::fromUtf8(f.genre) + " — " + QString::fromUtf8(f.support);
      if (f.front) {
        // Most fronts are JPEG; a few are bitmaps, as older scans were.
        std::string path = covers + "/" + f.reference + (index % 7 == 0 ? ".bmp" : ".jpg");
        DrawCover(title, subtitle, index, false).save(QString::fromStdString(path));
        t.FieldByName("Jacquette").SetText(path);
      }
      if (f.back) {
        std::string path = covers + "/" + f.reference + "_dos.jpg";
        DrawCover(title, QString::fromUtf8("Dos de la jaquette"), index, true)
            .save(QString::fromStdString(path));
        t.FieldByName("Jaquette2").SetText(path);
      }
      t.Post();
    }
    std::printf("Catalogue de démonstration créé dans %s (%d films)\n", dir.c_str(), index);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
