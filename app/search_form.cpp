#include "app/search_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QResizeEvent>
#include <algorithm>

#include "app/handlers.h"
#include "app/list_reports.h"
#include "app/main_window.h"
#include "app/pictures.h"
#include "app/record_forms.h"
#include "db/sqlite.h"
#include "db/title_key.h"

namespace kvn::app {

namespace {

struct Statements {
  const char* search;
  const char* print;
};

// Indexed by SearchCase; the texts run exactly as they are, capitals, order of
// the conditions and the final blank of the loan case included.
const Statements kStatements[] = {
    {nullptr, nullptr},
    {"Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where "
     "Genre=:CBGenre and "
     "Support=:CBSupport and Titre=:EdTitre and Reference=:EdRef order by titre",
     "Select * from Video where Genre=:CBGenre and Support=:CBSupport and Reference=:EdRef and "
     "Titre=:EdTitre "
     "order by titre"},
    {"Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video order by Reference",
     "Select * from Video order by Reference"},
    {"Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where "
     "Reference=:EdRef order by "
     "titre",
     "Select * from Video where Reference=:EdRef order by titre"},
    {"Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where "
     "Titre=:EdTitre order by titre",
     "Select * from Video where Titre=:EdTitre order by Titre"},
    {"Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where "
     "Support=:CBSupport order by "
     "titre",
     "Select * from Video where Support=:CBSupport order by Titre"},
    {"Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where "
     "Genre=:CBGenre order by titre",
     "Select * from Video where Genre=:CBGenre order by Titre"},
    {"Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where "
     "Genre=:CBGenre and "
     "Support=:CBSupport order by titre",
     "Select * from Video where Genre=:CBGenre and Support=:CBSupport order by Titre"},
    {"Select Reference, Titre, Genre, Support, Durée, Nom, Prêté_le from Video where Prêté_le is "
     "not null order by "
     "titre ",
     "Select * from Video where Prêté_le is not null order by titre "},
};

QComboBox* Combo(QWidget* parent, const char* name, const QStringList& items, QRect geometry) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  c->setEditable(true);
  c->addItem(QString());
  c->addItems(items);
  c->setGeometry(geometry);
  return c;
}

}  // namespace

SearchCase ChooseSearchCase(const QString& ref, const QString& titre, const QString& genre,
                            const QString& support, bool lent) {
  const bool r = !ref.isEmpty(), t = !titre.isEmpty(), g = !genre.isEmpty(), s = !support.isEmpty();
  if (r && t && g && s) return SearchCase::AllFields;
  if (r && !t && !g && !s)
    return ref == QStringLiteral("*") ? SearchCase::AllByReference : SearchCase::Reference;
  if (t && !r && !g && !s) return SearchCase::Title;
  if (s && !r && !t && !g) return SearchCase::Medium;
  if (g && !r && !t && !s) return SearchCase::Genre;
  if (g && s && !r && !t) return SearchCase::GenreMedium;
  return lent ? SearchCase::Lent : SearchCase::None;
}

const char* SearchStatement(SearchCase c) {
  return kStatements[static_cast<int>(c)].search;
}

QStringList TitleWords(const QString& typed) {
  QStringList words = typed.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
  if (words.isEmpty()) words << typed;
  return words;
}

std::string SearchSql(const char* statement, const QStringList& titleWords) {
  std::string sql = statement;
  const std::string exact = "Titre=:EdTitre";
  if (const size_t at = sql.find(exact); at != std::string::npos) {
    std::string words;
    for (int i = 0; i < titleWords.size(); ++i)
      words += std::string(i ? " and " : "") + "instr(" + db::TitleKey("Titre") + ", " +
               db::TitleKey(":EdTitre" + std::to_string(i + 1)) + ") > 0";
    sql.replace(at, exact.size(), "(" + words + ")");
  }
  return db::WithFrenchTitles(sql);
}
const char* PrintStatement(SearchCase c) {
  return kStatements[static_cast<int>(c)].print;
}

TfrmRecherche::TfrmRecherche(db::Database& database, QWidget* parent)
    : Form(parent), Query1(database), Table1(database) {
  setObjectName("frmRecherche");
  setWindowTitle(QStringLiteral("Recherche"));
  SetClientSize(741, 381, false);
  setFont(QFont("MS Sans Serif", 8));

  MakeLabel(this, QStringLiteral("Référence"), 8, 8);
  EdRef = new QLineEdit(this);
  EdRef->setObjectName("EdRef");
  EdRef->setGeometry(8, 24, 73, 21);
  MakeLabel(this, QStringLiteral("Titre"), 96, 8);
  EdTitre = new QLineEdit(this);
  EdTitre->setObjectName("EdTitre");
  EdTitre->setGeometry(96, 24, 617, 21);
  MakeLabel(this, QStringLiteral("Genre"), 8, 56);
  CBGenre = Combo(this, "CBGenre", GenreList(), QRect(8, 72, 145, 21));
  MakeLabel(this, QStringLiteral("Support"), 161, 56);
  CBSupport = Combo(this, "CBSupport", MediumList(), QRect(161, 72, 145, 21));
  CheckBox1 = new QCheckBox(QStringLiteral("Prêtés"), this);
  CheckBox1->setObjectName("CheckBox1");
  CheckBox1->setGeometry(320, 72, 65, 21);
  SpeedButton1 =
      MakeButton(this, "SpeedButton1", QStringLiteral("Rechercher"), QRect(396, 56, 105, 41), true);
  SpeedButton2 =
      MakeButton(this, "SpeedButton2", QStringLiteral("Imprimer"), QRect(502, 56, 105, 41), true);
  SpeedButton3 =
      MakeButton(this, "SpeedButton3", QStringLiteral("Fermer"), QRect(608, 56, 105, 41), true);
  SpeedButton1->setIcon(PictogramIcon(Pictogram::Search));
  SpeedButton2->setIcon(PictogramIcon(Pictogram::Print));
  SpeedButton3->setIcon(PictogramIcon(Pictogram::Quit));
  OnSignal(SpeedButton1, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
  OnSignal(SpeedButton2, &QPushButton::clicked, this, [this] { SpeedButton2Click(); });
  OnSignal(SpeedButton3, &QPushButton::clicked, this, [this] { SpeedButton3Click(); });

  DBGrid1 = new DBGrid(this);
  DBGrid1->setObjectName("DBGrid1");
  DBGrid1->setGeometry(8, 108, 713, 241);
  DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DBGrid1->SetDataSource(&DataSource1);
  // Headers in full, each column at least as wide as its header.
  const QFontMetrics header(DBGrid1->horizontalHeader()->font());
  const auto wide = [&header](const QString& title, int width) {
    return std::max(width, header.horizontalAdvance(title) + 16);
  };
  DBGrid1->SetColumns(
      {{"Reference", QStringLiteral("Référence"), wide(QStringLiteral("Référence"), 57)},
       {"Titre", QStringLiteral("Titre"), 254},
       {"Support", QStringLiteral("Support"), wide(QStringLiteral("Support"), 62)},
       {"Genre", QStringLiteral("Genre"), 80},
       {"Durée", QStringLiteral("Durée"), wide(QStringLiteral("Durée"), 54)},
       {"Nom", QStringLiteral("Nom"), 109},
       {"Prêté_le", QStringLiteral("Prêté le"), wide(QStringLiteral("Prêté le"), 70)}});
  connect(DBGrid1, &QTableView::doubleClicked, this,
          [this] { RunHandler(this, [this] { ShowInMainList(); }); });
  // Return in a criterion searches.
  for (QLineEdit* box : {EdRef, EdTitre, CBGenre->lineEdit(), CBSupport->lineEdit()})
    connect(box, &QLineEdit::returnPressed, this,
            [this] { RunHandler(this, [this] { SpeedButton1Click(); }); });
  DBGrid1->hide();
  lblResultat = new QLabel(this);
  lblResultat->setObjectName("lblResultat");
  lblResultat->setGeometry(8, 93, 380, 14);
  QPalette red = lblResultat->palette();
  red.setColor(QPalette::WindowText, Qt::darkRed);
  lblResultat->setPalette(red);
  Create();
}

void TfrmRecherche::resizeEvent(QResizeEvent* event) {
  Form::resizeEvent(event);
  DBGrid1->resize(std::max(100, width() - 28), std::max(60, height() - 140));
}

void TfrmRecherche::EmptyCriteria() {
  EdRef->clear();
  EdTitre->clear();
  CBGenre->setCurrentIndex(0);
  CBGenre->setEditText(QString());
  CBSupport->setCurrentIndex(0);
  CBSupport->setEditText(QString());
}

void TfrmRecherche::FormCreate() {
  EmptyCriteria();
  if (!Table1.Active()) {
    Table1.SetTableName("video.DB");
    Table1.Open();
  } else {
    Table1.Refresh();
  }
}

void TfrmRecherche::PrepareForShowing() {
  DBGrid1->hide();
  lblResultat->clear();
  // The genres offered: the usual ones and those the catalogue holds.
  QStringList genres = GenreList();
  if (Table1.Active()) {
    db::Statement list(
        Table1.GetDatabase().Handle(),
        "SELECT DISTINCT Genre FROM video WHERE Genre IS NOT NULL AND trim(Genre) <> ''",
        Table1.GetDatabase().FilePath());
    while (list.Step()) {
      const QString g = QString::fromStdString(list.ColumnText(0));
      if (!genres.contains(g, Qt::CaseInsensitive)) genres << g;
    }
  }
  std::sort(genres.begin(), genres.end(), [](const QString& a, const QString& b) {
    return QString::localeAwareCompare(a, b) < 0;
  });
  CBGenre->clear();
  CBGenre->addItem(QString());
  CBGenre->addItems(genres);
  EmptyCriteria();
  if (Table1.Active()) Table1.Refresh();
  if (Query1.Active()) Query1.Refresh();
}

SearchCase TfrmRecherche::CurrentCase() const {
  return ChooseSearchCase(EdRef->text(), EdTitre->text(), CBGenre->currentText(),
                          CBSupport->currentText(), CheckBox1->isChecked());
}

void TfrmRecherche::Run(const char* statement) {
  Query1.Close();
  Query1.ClearSQL();
  Query1.Unprepare();
  const QStringList words = TitleWords(EdTitre->text());
  Query1.SetSQL(SearchSql(statement, words));
  const std::pair<const char*, QString> boxes[] = {{"EdRef", EdRef->text()},
                                                   {"CBGenre", CBGenre->currentText()},
                                                   {"CBSupport", CBSupport->currentText()}};
  for (db::Param& p : Query1.Params()) {
    for (const auto& [name, text] : boxes)
      if (p.Name() == name) p.SetAsString(text.toStdString());
    for (int i = 0; i < words.size(); ++i)
      if (p.Name() == "EdTitre" + std::to_string(i + 1)) p.SetAsString(words[i].toStdString());
  }
  Query1.Prepare();
  Query1.Open();
  if (Table1.Active()) Table1.Refresh();
}

void TfrmRecherche::SpeedButton1Click() {
  DBGrid1->show();
  const SearchCase c = CurrentCase();
  if (c == SearchCase::None) return;
  Run(SearchStatement(c));
  // The criteria stay, for a refined search or "Imprimer".
  const int64_t found = Query1.RecordCount();
  lblResultat->setText(found == 0   ? QStringLiteral("Aucun film trouvé")
                       : found == 1 ? QStringLiteral("1 film trouvé")
                                    : QStringLiteral("%1 films trouvés").arg(found));
}

void TfrmRecherche::ShowInMainList() {
  if (!Query1.Active() || Query1.IsEmpty()) return;
  // The film is found in the main list by its reference and title (the
  // result holds no row number).
  db::Table& films = Forms().form1->Tvideo;
  db::Statement find(
      films.GetDatabase().Handle(),
      "SELECT rowid FROM video WHERE Reference IS ?1 AND Titre IS ?2 ORDER BY rowid LIMIT 1",
      films.GetDatabase().FilePath());
  const auto bind = [&find](int index, db::Field& field) {
    if (field.IsNull())
      find.BindNull(index);
    else
      find.BindText(index, field.AsString());
  };
  bind(1, Query1.FieldByName("Reference"));
  bind(2, Query1.FieldByName("Titre"));
  if (!find.Step()) return;
  db::Bookmark mark;
  mark.key = find.ColumnInt(0);
  mark.valid = true;
  if (films.BookmarkValid(mark)) films.GotoBookmark(mark);
}

void TfrmRecherche::SpeedButton2Click() {
  const SearchCase c = CurrentCase();
  if (c == SearchCase::None) return;
  Run(PrintStatement(c));
  TfrmRImprimer* report = Forms().frmRImprimer;
  if (c == SearchCase::Lent)
    report->Bind(&Rows, QStringLiteral("Nom"), QStringLiteral("Nom"), QStringLiteral("Prêté_le"),
                 QStringLiteral("Prêté le"));
  else
    report->Bind(&Rows, QStringLiteral("Genre"), QStringLiteral("Genre"), QStringLiteral("Durée"),
                 QStringLiteral("Durée"));
  report->Preview(this);
}

void TfrmRecherche::SpeedButton3Click() {
  reject();
}

}  // namespace kvn::app
