#include "app/list_reports.h"

#include <QCoreApplication>

#include "app/handlers.h"
#include "catalogue/catalogue_files.h"
#include "db/title_key.h"
#include "platform/error.h"
#include "platform/ini_file.h"

namespace kvn::app {

using report::Band;
using report::Element;

const QColor kNavy(0, 0, 128);

namespace {

// Printable widths of an A4 page at 96 pixels per inch: 210 mm less the margins.
constexpr int kListWidth = 718;    // 10 mm margins
constexpr int kSearchWidth = 697;  // 12.7 mm margins

Element Label(const QString& text, int x, int y, double size, bool bold, QColor color = kNavy) {
  Element e;
  e.kind = Element::Kind::Label;
  e.text = text;
  e.box = QRect(x, y, 0, 0);
  e.pointSize = size;
  e.bold = bold;
  e.color = color;
  return e;
}

Element Centred(const QString& text, int width, int y, double size) {
  Element e = Label(text, 0, y, size, true);
  e.box = QRect(0, y, width, 0);
  e.alignment = Qt::AlignHCenter;
  return e;
}

Element System(report::SystemData what, const QString& prefix, int x, int y, bool bold) {
  Element e = Label(prefix, x, y, 10, bold);
  e.kind = Element::Kind::System;
  e.system = what;
  return e;
}

// A data text that wraps its words within its column and makes its row taller.
Element Data(const QString& name, report::ReportData* rows, const QString& field, int x, int y,
             int width, Qt::Alignment alignment = Qt::AlignLeft) {
  Element e;
  e.kind = Element::Kind::DataText;
  e.name = name;
  e.data = rows;
  e.field = field;
  e.box = QRect(x, y, width, 0);
  e.wordWrap = true;
  e.alignment = alignment;
  return e;
}

}  // namespace

void BuildListReport(report::Report& r, report::ReportData* rows, bool withDetails) {
  r.Title = QStringLiteral("Liste des films");
  r.Page = {};
  r.Page.marginsMm = QMarginsF(10, 10, 10, 10);
  r.Data = rows;
  r.PrintIfEmpty = true;
  r.Bands.clear();
  r.AddBand(Band::Type::PageHeader, 40).elements = {
      Label(QStringLiteral("Korvane v1.0"), 8, 8, 10, true),
      System(report::SystemData::Date, QCoreApplication::translate("Korvane", "Edité le : "), 592,
             8, true)};
  r.AddBand(Band::Type::Title, 40).elements = {
      Centred(QStringLiteral("LISTE DES FILMS"), kListWidth, 2, 20)};
  r.AddBand(Band::Type::ColumnHeader, 40).elements = {
      Label(QStringLiteral("Référence"), 8, 8, 12, true),
      Label(QStringLiteral("Titre"), 104, 8, 12, true),
      Label(QStringLiteral("Support"), 376, 8, 12, true),
      Label(QStringLiteral("Nb CD"), 456, 8, 12, true),
      Label(QStringLiteral("Genre"), 520, 8, 12, true),
      Label(QStringLiteral("Durée"), 640, 8, 12, true)};
  // Each column reaches the next one, less a gap of 8 pixels.
  r.AddBand(Band::Type::Detail, 27).elements = {
      Data("QRDBText1", rows, QStringLiteral("Reference"), 8, 8, 88),
      Data("QRDBText2", rows, QStringLiteral("Titre"), 104, 8, 264),
      Data("QRDBText3", rows, QStringLiteral("Support"), 376, 8, 72),
      Data("QRDBText4", rows, QStringLiteral("Nb_cd"), 456, 8, 56),
      Data("QRDBText5", rows, QStringLiteral("Genre"), 520, 8, 112),
      Data("QRDBText6", rows, QStringLiteral("Durée"), 640, 8, kListWidth - 640)};
  if (withDetails) {
    // Under the title and the columns after it, below the tallest of them.
    Element details = Data("QRDetails", rows, QStringLiteral("Détails"), 104, 27, kListWidth - 104);
    details.pointSize = 8;
    details.below = true;
    Band& detail = r.Bands.back();
    detail.height += 16;
    detail.elements.push_back(details);
  }
  Element page = System(report::SystemData::PageNumber, QStringLiteral(" Page "), 312, 16, false);
  Element count =
      System(report::SystemData::DetailCount, QStringLiteral("Nombre de films : "), 512, 16, false);
  r.AddBand(Band::Type::PageFooter, 40).elements = {page, count};
}

void BuildSearchReport(report::Report& r) {
  r.Title = QStringLiteral("Liste des films suivant les critères de recherche");
  r.Page = {};
  r.Page.marginsMm = QMarginsF(12.7, 12.7, 12.7, 12.7);
  r.Page.firstTray = true;
  r.PrintIfEmpty = true;
  r.Bands.clear();
  r.AddBand(Band::Type::PageHeader, 40).elements = {
      Label(QStringLiteral("Korvane v1.0"), 8, 8, 10, true),
      System(report::SystemData::Date, QCoreApplication::translate("Korvane", "Edité le : "), 576,
             8, true)};
  r.AddBand(Band::Type::Title, 40).elements = {Centred(
      QStringLiteral("Liste des films suivant les critères de recherche"), kSearchWidth, 4, 18)};
  Element fourth = Label(QStringLiteral("Genre"), 520, 0, 12, true);
  fourth.name = QStringLiteral("QRLabel5");
  Element fifth = Label(QStringLiteral("Durée"), 624, 0, 12, true);
  fifth.name = QStringLiteral("QRLabel6");
  r.AddBand(Band::Type::ColumnHeader, 23).elements = {
      Label(QStringLiteral("Référence"), 0, 0, 12, true),
      Label(QStringLiteral("Titre"), 88, 0, 12, true),
      Label(QStringLiteral("Support"), 384, 0, 12, true),
      Label(QStringLiteral("Nb CD"), 456, 0, 12, true),
      fourth,
      fifth};
  r.AddBand(Band::Type::Detail, 24).elements = {
      Data("QRReference", nullptr, {}, 0, 0, 80),
      Data("QRTitre", nullptr, {}, 88, 0, 288),
      Data("QRSupport", nullptr, {}, 384, 0, 64, Qt::AlignHCenter),
      Data("QRNb_cd", nullptr, {}, 456, 0, 56, Qt::AlignHCenter),
      Data("QRGenre", nullptr, {}, 520, 0, 96),
      Data("QRDuree", nullptr, {}, 624, 0, kSearchWidth - 624)};
  r.AddBand(Band::Type::PageFooter, 34).elements = {
      System(report::SystemData::PageNumber, QStringLiteral("Page "), 304, 8, false),
      System(report::SystemData::DetailCount, QStringLiteral("Nombre de films : "), 488, 8, false)};
}

// ----------------------------------------------------------------- windows

QString FilmRows::Text(const QString& field) const {
  if (field != QStringLiteral("Détails")) return DataSetRows::Text(field);
  QString text;
  for (const auto& [name, caption] : m_details) {
    QString value = DataSetRows::Text(name).simplified();
    if (value == QLatin1String("True")) value = QStringLiteral("oui");
    if (value == QLatin1String("False")) value = QStringLiteral("non");
    if (value.isEmpty()) continue;
    if (!text.isEmpty()) text += QStringLiteral(" · ");
    text += caption + QStringLiteral(" : ") + value;
  }
  return text;
}

std::vector<std::pair<QString, QString>> ShownDetails(const std::string& directory) {
  std::vector<std::pair<QString, QString>> details;
  std::string shown;
  try {
    platform::IniFile ini(catalogue::SettingsPath(directory), {.allowProtected = true});
    shown = "," + ini.ReadString("LISTE", "Colonnes", "") + ",";
  } catch (const Error&) {
    return details;  // unreadable settings: the original list
  }
  const char* const captions[] = {"Année",  "Réalisateur", "Acteurs", "Pays", "Titre original",
                                  "Résumé", "Note",        "Vu",      "EAN"};
  for (size_t i = 0; i < std::size(catalogue::kDetailColumns); ++i)
    if (shown.find(std::string(",") + catalogue::kDetailColumns[i] + ",") != std::string::npos)
      details.emplace_back(QString::fromUtf8(catalogue::kDetailColumns[i]),
                           QString::fromUtf8(captions[i]));
  return details;
}

TfrmImprimer::TfrmImprimer(db::Database& database)
    : Database(database), Query1(database), Table1(database) {
  BuildListReport(QuickRep1, &Rows);
}

void TfrmImprimer::ShowDetails(std::vector<std::pair<QString, QString>> fieldsAndCaptions) {
  Rows.SetDetails(std::move(fieldsAndCaptions));
  BuildListReport(QuickRep1, &Rows, Rows.HasDetails());
}

void TfrmImprimer::FormCreate() {
  ShowDetails(ShownDetails(Database.Directory()));
  if (!Table1.Active()) {
    Table1.SetTableName("video.DB");
    Table1.Open();
  }
  if (!Query1.Active()) {
    Query1.SetSQL(db::WithFrenchTitles("Select * from video order by Titre"));
    Query1.Open();
  }
}

void TfrmImprimer::Preview(QWidget* parent) {
  // The query was opened at start-up: read again, the list shows the films
  // added, changed and deleted since. When it could not be opened then, it is
  // tried again, and its error shown instead of an empty list.
  if (Query1.Active())
    Query1.Refresh();
  else
    FormCreate();
  report::ReportPreviewer().Preview(QuickRep1, parent);
}

TfrmRImprimer::TfrmRImprimer() {
  BuildSearchReport(QuickRep1);
}

void TfrmRImprimer::Bind(report::ReportData* rows, const QString& fourth,
                         const QString& fourthTitle, const QString& fifth,
                         const QString& fifthTitle) {
  QuickRep1.Data = rows;
  const std::pair<const char*, QString> fields[] = {{"QRReference", QStringLiteral("Reference")},
                                                    {"QRTitre", QStringLiteral("Titre")},
                                                    {"QRSupport", QStringLiteral("Support")},
                                                    {"QRNb_cd", QStringLiteral("Nb_cd")},
                                                    {"QRGenre", fourth},
                                                    {"QRDuree", fifth}};
  for (const auto& [name, field] : fields) {
    Element* e = QuickRep1.Find(QString::fromLatin1(name));
    e->data = rows;
    e->field = field;
  }
  QuickRep1.Find(QStringLiteral("QRLabel5"))->text = fourthTitle;
  QuickRep1.Find(QStringLiteral("QRLabel6"))->text = fifthTitle;
}

void TfrmRImprimer::Preview(QWidget* parent) {
  report::ReportPreviewer().Preview(QuickRep1, parent);
}

// ----------------------------------------------------------------- command line

std::string PrintCatalogueList(const std::string& directory, const std::string& output,
                               int& films) {
  std::string dir = directory.empty() ? "." : directory;
  if (dir.back() != '/') dir += '/';
  db::Database database(dir);
  TfrmImprimer list(database);
  list.FormCreate();
  const std::string path = output.empty() ? dir + "liste.pdf" : output;
  list.QuickRep1.ExportPdf(QString::fromStdString(path));
  films = list.QuickRep1.DetailCount();
  return path;
}

}  // namespace kvn::app
