#include "app/record_forms.h"

#include <QCalendarWidget>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/cover_printing.h"
#include "app/handlers.h"
#include "app/main_window.h"
#include "app/pictures.h"
#include "catalogue/film_duplicates.h"
#include "catalogue/loans.h"
#include "platform/codepage.h"
#include "platform/conversions.h"
#include "platform/format.h"
#include "platform/tdatetime.h"
#include "qt_support/prompts.h"

namespace kvn::app {

const QStringList& GenreList() {
  static const QStringList list = {"Action",          "Comédie",  "Dessin animé", "Drame",
                                   "Erotique",        "Fiction",  "Guerre",       "Horreur",
                                   "Karate",          "Peplum",   "Policier",     "Romantique",
                                   "Science-Fiction", "Thriller", "Western",      "X"};
  return list;
}

const QStringList& MediumList() {
  static const QStringList list = {"VHS", "DVD", "VCD", "(S)VCD", "DivX ;-)", "Blu-ray", "4K UHD"};
  return list;
}

namespace {

template <typename T>
T* Place(QWidget* parent, const char* name, QRect geometry) {
  auto* w = new T(parent);
  w->setObjectName(name);
  w->setGeometry(geometry);
  return w;
}

DBEdit* Bound(QWidget* parent, const char* name, QRect geometry, DataSource* source,
              const char* field) {
  auto* e = Place<DBEdit>(parent, name, geometry);
  e->SetDataSource(source);
  e->SetDataField(QString::fromUtf8(field));
  return e;
}

DBEdit* Hidden(QWidget* parent, const char* name, DataSource* source, const char* field) {
  DBEdit* e = Bound(parent, name, QRect(0, 0, 10, 10), source, field);
  e->hide();
  return e;
}

DBComboBox* BoundCombo(QWidget* parent, const char* name, QRect geometry, DataSource* source,
                       const char* field, const QStringList& items) {
  auto* c = Place<DBComboBox>(parent, name, geometry);
  c->addItems(items);
  c->SetDataSource(source);
  c->SetDataField(QString::fromUtf8(field));
  return c;
}

QGroupBox* Group(QWidget* parent, const QString& title, QRect geometry) {
  auto* g = new QGroupBox(title, parent);
  g->setGeometry(geometry);
  return g;
}

QLabel* Heading(QWidget* parent, const char* name, const QColor& color, QPoint at) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  l->setFont(QFont("Arial", 10, QFont::Bold, true));
  QPalette p = l->palette();
  p.setColor(QPalette::WindowText, color);
  l->setPalette(p);
  l->setGeometry(at.x(), at.y(), 400, 20);
  return l;
}

TForm1& Main() {
  return *Forms().form1;
}

std::string FieldText(const char* field) {
  return Main().Tvideo.FieldByName(field).AsString();
}

bool HasDigit(const QString& text) {
  for (QChar c : text)
    if (c.isDigit()) return true;
  return false;
}

}  // namespace

// ---------------------------------------------------------------- TfrmNFiche

TfrmNFiche::TfrmNFiche(QWidget* parent) : Form(parent), TNFiche(Main().Database1) {
  setObjectName("frmNFiche");
  setWindowTitle(QStringLiteral("Nouvelle Fiche"));
  SetClientSize(500, 341 + kTabBarHeight);
  TNFiche.SetTableName("video.DB");

  auto* band = new QWidget(this);
  band->setGeometry(0, 0, 500, 40);
  band->setAutoFillBackground(true);
  auto* heading = new QLabel(QStringLiteral("Entrez vos enregistrements :"), band);
  heading->setFont(QFont("Arial", 12, QFont::Bold, true));
  heading->setGeometry(10, 8, 400, 24);

  QGroupBox* fields = Group(this, QStringLiteral("Nouvel enregistrement"), QRect(8, 44, 484, 116));
  DataSource* ds = &DataSourceNFiche;
  MakeLabel(fields, QStringLiteral("Référence"), 12, 20);
  EditReference = Bound(fields, "EditReference", QRect(12, 36, 110, 23), ds, "Reference");
  MakeLabel(fields, QStringLiteral("Durée"), 132, 20);
  MaskEdit1 = Place<DurationEdit>(fields, "MaskEdit1", QRect(132, 36, 70, 23));
  MaskEdit1->SetText(QStringLiteral("00:00:00"));
  MakeLabel(fields, QStringLiteral("Genre"), 212, 20);
  DBComboBoxGenre =
      BoundCombo(fields, "DBComboBoxGenre", QRect(212, 36, 130, 23), ds, "Genre", GenreList());
  MakeLabel(fields, QStringLiteral("Support"), 352, 20);
  DBComboBoxSupport =
      BoundCombo(fields, "DBComboBoxSupport", QRect(352, 36, 120, 23), ds, "Support", MediumList());
  MakeLabel(fields, QStringLiteral("Titre"), 12, 64);
  EditTitre = Bound(fields, "EditTitre", QRect(12, 80, 390, 23), ds, "Titre");
  MakeLabel(fields, QStringLiteral("Nb CD"), 412, 64);
  DBEdit2 = Bound(fields, "DBEdit2", QRect(412, 80, 60, 23), ds, "Nb_cd");

  QGroupBox* covers = Group(this, QStringLiteral("Jaquette"), QRect(8, 164, 484, 120));
  MakeLabel(covers, QStringLiteral("Chemin d'accès vers la jaquette avant"), 12, 18);
  EditJaquette = Place<QLineEdit>(covers, "EditJaquette", QRect(12, 34, 340, 23));
  EditJaquette->setFocusPolicy(Qt::ClickFocus);
  auto* browseFront = MakeButton(covers, "SpeedButton1", QStringLiteral("Parcourir"),
                                 QRect(361, 16, 113, 41), true);
  browseFront->setFocusPolicy(Qt::NoFocus);
  MakeLabel(covers, QStringLiteral("Chemin d'accès vers la jaquette arrière"), 12, 66);
  EditJaquetteAR = Place<QLineEdit>(covers, "EditJaquetteAR", QRect(12, 82, 340, 23));
  EditJaquetteAR->setFocusPolicy(Qt::ClickFocus);
  auto* browseBack = MakeButton(covers, "SpeedButton4", QStringLiteral("Parcourir"),
                                QRect(361, 66, 113, 41), true);
  browseBack->setFocusPolicy(Qt::NoFocus);

  EditDuree = Hidden(this, "EditDuree", ds, "Durée");
  DBEdit1 = Hidden(this, "DBEdit1", ds, "Jacquette");
  DBEdit3 = Hidden(this, "DBEdit3", ds, "Jaquette2");

  // The boxes above on a first tab, the film's details on a second.
  Details = new FilmDetailsPage(ds);
  Tabs = PutOnTabs(this, QRect(4, 40, 492, 250 + kTabBarHeight), {fields, covers}, EditReference,
                   Details);

  BitBtn1 = MakeButton(this, "BitBtn1", QStringLiteral("Valider les enregistrements"),
                       QRect(16, 296 + kTabBarHeight, 225, 33));
  BitBtn2 = MakeButton(this, "BitBtn2", QStringLiteral("Fermer"),
                       QRect(259, 296 + kTabBarHeight, 225, 33));
  BitBtn1->installEventFilter(this);

  QWidget::setTabOrder(EditReference, MaskEdit1);
  QWidget::setTabOrder(MaskEdit1, DBComboBoxGenre);
  QWidget::setTabOrder(DBComboBoxGenre, DBComboBoxSupport);
  QWidget::setTabOrder(DBComboBoxSupport, EditTitre);
  QWidget::setTabOrder(EditTitre, DBEdit2);
  Details->ChainFocus(DBEdit2, BitBtn1);
  QWidget::setTabOrder(BitBtn1, BitBtn2);

  OnSignal(browseFront, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
  OnSignal(browseBack, &QPushButton::clicked, this, [this] { SpeedButton4Click(); });
  OnSignal(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  OnSignal(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
  Create();
}

void TfrmNFiche::FormCreate() {
  if (!TNFiche.Active()) TNFiche.Open();
  TNFiche.Insert();
}

void TfrmNFiche::SpeedButton1Click() {
  if (auto path = qt::Ui().OpenFileName(this, QString::fromUtf8(kPictureFilter))) {
    EditJaquette->setText(*path);
    TNFiche.FieldByName("Jacquette").SetText(path->toStdString());
  }
}

void TfrmNFiche::SpeedButton4Click() {
  if (auto path = qt::Ui().OpenFileName(this, QString::fromUtf8(kPictureFilter))) {
    EditJaquetteAR->setText(*path);
    TNFiche.FieldByName("Jaquette2").SetText(path->toStdString());
  }
}

void TfrmNFiche::BitBtn1Click() {
  if (!CheckFilm(this, EditTitre, DBEdit2) || !CheckDuration(MaskEdit1) ||
      !Details->Check(this, Tabs) || !AddingTwiceConfirmed())
    return;
  // The unbound boxes reach the row through the hidden bound edits, so the
  // engine converts them when the row is written.
  EditDuree->SetText(MaskEdit1->Text());
  DBEdit1->SetText(EditJaquette->text());
  DBEdit3->SetText(EditJaquetteAR->text());
  TNFiche.Insert();
  // The list shows the new film as its current one.
  const int64_t added = Main().Database1.LastInsertRowId();
  db::Table& main = Main().Tvideo;
  main.Refresh();
  db::Bookmark mark;
  mark.key = added;
  mark.valid = true;
  if (main.BookmarkValid(mark)) main.GotoBookmark(mark);
  // The next film's keys go to its reference, not to the button (where a
  // letter would validate an empty film).
  Tabs->setCurrentIndex(0);
  EditReference->setFocus(Qt::OtherFocusReason);
}

bool TfrmNFiche::AddingTwiceConfirmed() {
  const std::vector<catalogue::FilmSummary> same =
      catalogue::FilmsTitled(Main().Database1, EditTitre->text().trimmed().toStdString());
  if (same.empty()) return true;
  QString films;
  for (const catalogue::FilmSummary& f : same) {
    films += QStringLiteral("\n« %1 »").arg(QString::fromStdString(f.title));
    if (!f.year.empty()) films += QStringLiteral(" (%1)").arg(QString::fromStdString(f.year));
    if (!f.reference.empty())
      films += QStringLiteral(", référence %1").arg(QString::fromStdString(f.reference));
  }
  const QString text =
      (same.size() == 1 ? QStringLiteral("Le catalogue a déjà un film de ce titre :")
                        : QStringLiteral("Le catalogue a déjà des films de ce titre :")) +
      films + QStringLiteral("\n\nAjouter quand même ce film ?");
  if (qt::Ui().Question(this, QStringLiteral("Film déjà présent"), text, true)) return true;
  Tabs->setCurrentIndex(0);
  EditTitre->setFocus(Qt::OtherFocusReason);
  return false;
}

void TfrmNFiche::showEvent(QShowEvent* event) {
  Form::showEvent(event);
  Tabs->setCurrentIndex(0);
  EditReference->setFocus(Qt::OtherFocusReason);
}

void TfrmNFiche::BitBtn2Click() {
  // What was typed is dropped: nothing is written at the next opening.
  if (TNFiche.Active()) TNFiche.Cancel();
  reject();
}

bool TfrmNFiche::eventFilter(QObject* watched, QEvent* event) {
  if (watched == BitBtn1) {
    if (event->type() == QEvent::FocusIn) {
      // Reached with the keyboard, the button validates. A mouse press gives it
      // the focus too; the click that follows validates, once.
      auto* focus = static_cast<QFocusEvent*>(event);
      if (focus->reason() == Qt::TabFocusReason || focus->reason() == Qt::BacktabFocusReason)
        RunHandler(this, [this] { BitBtn1Click(); });
    } else if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      const bool clicks = key->key() == Qt::Key_Space || key->key() == Qt::Key_Return ||
                          key->key() == Qt::Key_Enter;
      if (!clicks && !key->text().isEmpty() && key->text()[0].isPrint()) {
        RunHandler(this, [this] { BitBtn1Click(); });
        return true;
      }
    }
  }
  return Form::eventFilter(watched, event);
}

// ---------------------------------------------------------------- TfrmMFiche

// Moves in the main list reload the boxes that are not bound to a field, so
// that validation only ever writes the current film's own values.
class TfrmMFiche::Follower : public DataLink {
 public:
  explicit Follower(TfrmMFiche& window) : m_window(window) {
    SetDataSource(&Main().DataSourceVideo);
  }
  void ActiveChanged() override { Follow(); }
  void DataSetChanged() override { Follow(); }
  void Scrolled(int) override { Follow(); }

 private:
  void Follow() {
    if (m_window.isVisible() && DataSet() && DataSet()->State() == db::DataSetState::Browse)
      m_window.LoadCurrentFilm();
  }
  TfrmMFiche& m_window;
};

TfrmMFiche::~TfrmMFiche() = default;

// A duration the catalogue cannot take ("1:30" typed into the box) is
// refused with the conversion's own message and what the box expects; the
// box keeps the focus and the film stays pending.
bool CheckDuration(DurationEdit* box) {
  const QString text = box->Text();
  if (!HasDigit(text) ||
      platform::TryStrToTime(platform::Utf8ToCp1252(text.trimmed().toStdString())))
    return true;
  qt::Ui().Error(box->window(), QString::fromStdString(platform::ConversionMessage(
                                    platform::ConversionKind::Time, text.toStdString())) +
                                    QStringLiteral("\n") + DurationEdit::Expected());
  box->setFocus();
  return false;
}

bool CheckFilm(QWidget* window, QLineEdit* title, QLineEdit* discs) {
  if (title->text().trimmed().isEmpty()) {
    qt::Ui().Warning(
        window, QStringLiteral("Un film doit avoir un titre : saisissez-le avant de valider."));
    title->setFocus();
    return false;
  }
  const QString n = discs->text().trimmed();
  if (!n.isEmpty()) {
    auto v = platform::TryStrToFloat(platform::Utf8ToCp1252(n.toStdString()));
    if (!v || *v < 0 || *v > 99 || *v != static_cast<int>(*v)) {
      qt::Ui().Warning(window,
                       QStringLiteral("Le nombre de CD doit être un nombre entier de 0 à 99."));
      discs->setFocus();
      return false;
    }
  }
  return true;
}

TfrmMFiche::TfrmMFiche(QWidget* parent) : Form(parent) {
  setObjectName("frmMFiche");
  setWindowTitle(QStringLiteral("Modification"));
  SetClientSize(594, 372 + kTabBarHeight);
  DataSource* ds = &Main().DataSourceVideo;

  auto* heading = new QLabel(QStringLiteral("Modifiez l'enregistrement :"), this);
  heading->setFont(QFont("Arial", 10, QFont::Bold, true));
  heading->setGeometry(8, 8, 200, 20);
  lblEnregistrement = Heading(this, "lblEnregistrement", Qt::blue, QPoint(210, 8));

  QGroupBox* left =
      Group(this, QStringLiteral("Modifier l'enregistrement suivant"), QRect(8, 32, 353, 265));
  MakeLabel(left, QStringLiteral("Référence"), 12, 16);
  EditReference = Bound(left, "EditReference", QRect(12, 32, 110, 23), ds, "Reference");
  MakeLabel(left, QStringLiteral("Durée"), 132, 16);
  MaskEdit1 = Place<DurationEdit>(left, "MaskEdit1", QRect(132, 32, 70, 23));
  MakeLabel(left, QStringLiteral("Titre"), 12, 56);
  EditTitre = Bound(left, "EditTitre", QRect(12, 72, 329, 23), ds, "Titre");
  MakeLabel(left, QStringLiteral("Genre"), 12, 96);
  DBComboBox1 = BoundCombo(left, "DBComboBox1", QRect(12, 112, 130, 23), ds, "Genre", GenreList());
  MakeLabel(left, QStringLiteral("Support"), 152, 96);
  DBComboBox2 =
      BoundCombo(left, "DBComboBox2", QRect(152, 112, 110, 23), ds, "Support", MediumList());
  MakeLabel(left, QStringLiteral("Nb CD"), 272, 96);
  DBEdit2 = Bound(left, "DBEdit2", QRect(272, 112, 69, 23), ds, "Nb_cd");
  MakeLabel(left, QStringLiteral("Chemin d'accès de la jaquette avant :"), 12, 136);
  Edit1 = Place<QLineEdit>(left, "Edit1", QRect(12, 152, 243, 23));
  Button1 = MakeButton(left, "Button1", QStringLiteral("..."), QRect(259, 152, 27, 23));
  SpeedButton1 = MakeButton(left, "SpeedButton1", QString(), QRect(292, 148, 49, 30), true);
  SpeedButton1->setIcon(PictogramIcon(Pictogram::View));
  SpeedButton1->setFocusPolicy(Qt::NoFocus);
  MakeLabel(left, QStringLiteral("Chemin d'accès de la jaquette arrière :"), 12, 176);
  Edit2 = Place<QLineEdit>(left, "Edit2", QRect(12, 192, 243, 23));
  Button2 = MakeButton(left, "Button2", QStringLiteral("..."), QRect(259, 192, 27, 23));
  SpeedButton5 = MakeButton(left, "SpeedButton5", QString(), QRect(292, 188, 49, 30), true);
  SpeedButton5->setIcon(PictogramIcon(Pictogram::View));
  SpeedButton5->setFocusPolicy(Qt::NoFocus);
  Btn_ImpJaquette = MakeButton(left, "Btn_ImpJaquette", QStringLiteral("Imprimer les jaquettes"),
                               QRect(8, 220, 337, 41), true);
  OnSignal(Btn_ImpJaquette, &QPushButton::clicked, this, [this] { Btn_ImpJaquetteClick(); });

  QGroupBox* loan = Group(this, QStringLiteral("Prêt"), QRect(369, 32, 209, 265));
  MakeLabel(loan, QStringLiteral("Prêté à  :"), 8, 16);
  DBEdit1 = Bound(loan, "DBEdit1", QRect(8, 32, 193, 23), ds, "Nom");
  MonthCalendar1 = Place<QCalendarWidget>(loan, "MonthCalendar1", QRect(6, 60, 197, 154));
  MonthCalendar1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
  MonthCalendar1->setGridVisible(false);
  MonthCalendar1->setFont(QFont("MS Sans Serif", 7));
  SpeedButton2 = MakeButton(loan, "SpeedButton2", QStringLiteral("Réinitialiser le prêt"),
                            QRect(8, 218, 193, 41), true);

  EditDure = Hidden(this, "EditDure", ds, "Durée");
  DBEdit4 = Hidden(this, "DBEdit4", ds, "Jacquette");
  DBEdit3 = Hidden(this, "DBEdit3", ds, "Jaquette2");
  DBEdit5 = Hidden(this, "DBEdit5", ds, "Prêté_le");
  Edit3 = Place<QLineEdit>(this, "Edit3", QRect(0, 0, 10, 10));
  Edit3->hide();

  // The boxes above on a first tab, the film's details on a second.
  Details = new FilmDetailsPage(ds);
  Tabs =
      PutOnTabs(this, QRect(4, 28, 586, 276 + kTabBarHeight), {left, loan}, EditReference, Details);
  // The film's loans and the current one's due date on a third tab.
  LoansPage = new FilmLoansPage;
  Tabs->addTab(LoansPage, QStringLiteral("&Prêts"));

  BitBtn1 = MakeButton(this, "BitBtn1", QStringLiteral("Valider la modification"),
                       QRect(8, 310 + kTabBarHeight, 265, 41));
  BitBtn2 = MakeButton(this, "BitBtn2", QStringLiteral("Fermer"),
                       QRect(313, 310 + kTabBarHeight, 273, 41));

  OnSignal(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  OnSignal(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  OnSignal(SpeedButton1, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
  OnSignal(SpeedButton5, &QPushButton::clicked, this, [this] { SpeedButton5Click(); });
  connect(MonthCalendar1, &QCalendarWidget::clicked, this,
          [this](QDate d) { RunHandler(this, [this, d] { MonthCalendar1Click(d); }); });
  OnSignal(SpeedButton2, &QPushButton::clicked, this, [this] { SpeedButton2Click(); });
  OnSignal(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  OnSignal(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
  SetFocusOrder();
  m_follower = std::make_unique<Follower>(*this);
  Create();
}

void TfrmMFiche::SetFocusOrder() {
  QWidget* order[] = {EditReference, EditTitre,    MaskEdit1, DBComboBox1, DBComboBox2,
                      DBEdit2,       Edit1,        Button1,   Edit2,       DBEdit1,
                      Button2,       SpeedButton2, BitBtn1,   BitBtn2};
  for (size_t i = 0; i + 1 < std::size(order); ++i) QWidget::setTabOrder(order[i], order[i + 1]);
  Details->ChainFocus(SpeedButton2, BitBtn1);
  Tabs->setCurrentIndex(0);
  EditReference->setFocus();
}

void TfrmMFiche::FormCreate() {
  SpeedButton1->setToolTip(QStringLiteral("Voir la jaquette avant"));
  SpeedButton5->setToolTip(QStringLiteral("Voir la jaquette arrière"));
  LoadCurrentFilm();
}

void TfrmMFiche::LoadCurrentFilm() {
  db::Table& t = Main().Tvideo;
  if (!t.Active()) return;
  lblEnregistrement->setText(QString::fromStdString(FieldText("Titre")));
  MaskEdit1->SetText(QString::fromStdString(FieldText("Durée")));
  Edit1->setText(QString::fromStdString(FieldText("Jacquette")));
  Edit2->setText(QString::fromStdString(FieldText("Jaquette2")));
  Edit3->setText(QString::fromStdString(FieldText("Prêté_le")));
  // The calendar shows the loan's day, or today for a film that is not lent.
  QDate shown = QDate::currentDate();
  if (auto lent = t.FieldByName("Prêté_le").AsDateTime()) {
    const auto p = platform::DecodeDate(*lent);
    shown = QDate(p.year, p.month, p.day);
  }
  MonthCalendar1->setSelectedDate(shown);
  LoansPage->Load(Main().Database1, t.FieldByName("Index").AsInteger().value_or(0),
                  catalogue::LoanPeriodDays(Main().Database1.Directory()));
}

void TfrmMFiche::Button1Click() {
  if (auto path = qt::Ui().OpenFileName(this, QString::fromUtf8(kPictureFilter))) {
    Edit1->setText(*path);
    DBEdit4->SetText(*path);
  }
}

void TfrmMFiche::Button2Click() {
  if (auto path = qt::Ui().OpenFileName(this, QString::fromUtf8(kPictureFilter))) {
    Edit2->setText(*path);
    DBEdit3->SetText(*path);
  }
}

void TfrmMFiche::ViewCover(const QLineEdit* path) {
  if (path->text().isEmpty()) {
    qt::Ui().Warning(this, QStringLiteral("Il n'existe aucune jaquette associée à ce film !"));
    return;
  }
  TfrmJaquette* viewer = Forms().frmJaquette;
  viewer->SetPicture(LoadPicture(path->text()));
  viewer->show();
  viewer->raise();
}

void TfrmMFiche::SpeedButton1Click() {
  ViewCover(Edit1);
}
void TfrmMFiche::SpeedButton5Click() {
  ViewCover(Edit2);
}

void TfrmMFiche::MonthCalendar1Click(const QDate& date) {
  auto d = platform::EncodeDate(date.year(), date.month(), date.day());
  DBEdit5->SetText(QString::fromStdString(platform::Cp1252ToUtf8(platform::DateToStr(d))));
}

void TfrmMFiche::SpeedButton2Click() {
  db::Table& t = Main().Tvideo;
  t.Edit();
  DBEdit5->SetText(QString());
  DBEdit1->SetText(QString());
  t.Refresh();
}

void TfrmMFiche::BitBtn1Click() {
  if (!CheckFilm(this, EditTitre, DBEdit2) || !CheckDuration(MaskEdit1) ||
      !Details->Check(this, Tabs))
    return;
  db::Table& t = Main().Tvideo;
  t.Edit();
  // A borrower without a clicked day: the day the calendar shows is the loan's.
  if (!DBEdit1->text().trimmed().isEmpty() && DBEdit5->text().isEmpty())
    MonthCalendar1Click(MonthCalendar1->selectedDate());
  // The borrower as it will be written: what the borrower box holds.
  const bool copy = MaskEdit1->Text() != QString::fromStdString(FieldText("Durée")) ||
                    Edit2->text() != QString::fromStdString(FieldText("Jaquette2")) ||
                    Edit1->text() != QString::fromStdString(FieldText("Jacquette")) ||
                    !DBEdit1->text().isEmpty() || DBEdit5->text() != Edit3->text();
  if (copy) {
    if (!HasDigit(MaskEdit1->Text())) MaskEdit1->SetText(QStringLiteral("00:00:00"));
    EditDure->SetText(MaskEdit1->Text());
    DBEdit4->SetText(Edit1->text());
    DBEdit3->SetText(Edit2->text());
  }
  hide();
  t.Refresh();
  // A lent film's due date: the one chosen, else the loan day plus the period.
  if (!FieldText("Nom").empty()) {
    try {
      catalogue::SetDueDate(Main().Database1, t.FieldByName("Index").AsInteger().value_or(0),
                            LoansPage->ChosenDue());
    } catch (const Error&) {
      // A catalogue without the loans' table keeps the loan in the film alone.
    }
    Main().UpdateOverdueNotice();
  }
  setResult(QDialog::Accepted);
}

void TfrmMFiche::BitBtn2Click() {
  // What was typed is dropped, not written at the next move in the list.
  db::Table& t = Main().Tvideo;
  if (t.State() == db::DataSetState::Edit || t.State() == db::DataSetState::Insert) t.Cancel();
  hide();
}

// ---------------------------------------------------------------- TfrmSFiche

TfrmSFiche::TfrmSFiche(QWidget* parent) : Form(parent) {
  setObjectName("frmSFiche");
  setWindowTitle(QStringLiteral("Suppression"));
  SetClientSize(422, 253);
  DataSource* ds = &Main().DataSourceVideo;
  auto* heading = new QLabel(QStringLiteral("Supprimer l'enregistrement  :"), this);
  heading->setFont(QFont("Arial", 10, QFont::Bold, true));
  heading->setGeometry(8, 8, 210, 20);
  lblNumero = Heading(this, "lblNumero", Qt::red, QPoint(218, 8));
  lblNumero->setFixedWidth(196);

  QGroupBox* g =
      Group(this, QStringLiteral("Supprimer l'enregistrement suivant "), QRect(8, 32, 406, 160));
  MakeLabel(g, QStringLiteral("Référence"), 12, 18);
  EditReference = Bound(g, "EditReference", QRect(12, 34, 110, 23), ds, "Reference");
  MakeLabel(g, QStringLiteral("Durée"), 132, 18);
  MaskEdit1 = Place<DurationEdit>(g, "MaskEdit1", QRect(132, 34, 70, 23));
  MakeLabel(g, QStringLiteral("Titre"), 12, 62);
  EditTitre = Bound(g, "EditTitre", QRect(12, 78, 382, 23), ds, "Titre");
  MakeLabel(g, QStringLiteral("Genre"), 12, 106);
  DBComboBox1 = BoundCombo(g, "DBComboBox1", QRect(12, 122, 180, 23), ds, "Genre", {});
  MakeLabel(g, QStringLiteral("Support"), 202, 106);
  DBComboBox2 = BoundCombo(g, "DBComboBox2", QRect(202, 122, 150, 23), ds, "Support", {});
  EditDure = Hidden(this, "EditDure", ds, "Durée");
  // The film is shown, not edited, here.
  for (QLineEdit* e : {static_cast<QLineEdit*>(EditReference), static_cast<QLineEdit*>(EditTitre),
                       static_cast<QLineEdit*>(MaskEdit1)})
    e->setReadOnly(true);
  for (DBComboBox* c : {DBComboBox1, DBComboBox2}) c->setEnabled(false);

  BitBtn1 = MakeButton(this, "BitBtn1", QStringLiteral("Supprimer l'enregistrement"),
                       QRect(8, 204, 193, 41));
  BitBtn2 = MakeButton(this, "BitBtn2", QStringLiteral("Fermer"), QRect(221, 204, 193, 41));
  OnSignal(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  OnSignal(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
  Create();
}

void TfrmMFiche::Btn_ImpJaquetteClick() {
  Forms().frm_ImpJaquettes->ShowModal();
}

void TfrmSFiche::FormCreate() {
  if (!Main().Tvideo.Active()) return;
  lblNumero->setText(QString::fromStdString(FieldText("Titre")));
  MaskEdit1->SetText(QString::fromStdString(FieldText("Durée")));
}

void TfrmSFiche::BitBtn1Click() {
  if (qt::Ui().Confirm(this, QStringLiteral("Supprimer l'enregistrement ?")))
    Main().Tvideo.Delete();
  done(QDialog::Accepted);
}

void TfrmSFiche::BitBtn2Click() {
  reject();
}

// ---------------------------------------------------------------- TfrmJaquette

TfrmJaquette::TfrmJaquette(QWidget* parent) : Form(parent) {
  setObjectName("frmJaquette");
  setWindowTitle(QStringLiteral("Visualisation de la jaquette"));
  setWindowFlags(Qt::Window);
  SetClientSize(666, 480, false);
  ScrollBox = new QScrollArea(this);
  ScrollBox->setFrameShape(QFrame::NoFrame);
  // The scrolled area fills the window, whatever its size.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(ScrollBox);
  auto* canvas = new QWidget;
  Image1 = new QLabel(canvas);
  Image1->setObjectName("Image1");
  Image1->move(8, 8);
  ScrollBox->setWidget(canvas);
}

void TfrmJaquette::SetPicture(const QImage& image) {
  Image1->setPixmap(QPixmap::fromImage(image));
  Image1->resize(image.size());
  ScrollBox->widget()->resize(image.width() + 16, image.height() + 16);
}

}  // namespace kvn::app
