#include "app/cover_printing.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/handlers.h"
#include "app/main_window.h"
#include "app/pictures.h"
#include "app/record_forms.h"
#include "qt_support/prompts.h"

namespace kvn::app {

using report::Element;

TQuickReport1::TQuickReport1() {
  Report.Title = QStringLiteral("Jaquettes");
  Report.Page.marginsMm = QMarginsF(10, 10, 10, 10);
  auto caption = [](const char* name, int x, int y) {
    Element e;
    e.name = QString::fromLatin1(name);
    e.box = QRect(x, y, 0, 0);
    return e;
  };
  auto picture = [](const char* name, QRect box) {
    Element e;
    e.kind = Element::Kind::Image;
    e.name = QString::fromLatin1(name);
    e.box = box;
    return e;
  };
  Element title = caption("QRTitre", 150, 14);
  title.pointSize = 12;
  title.bold = true;
  Report.AddBand(report::Band::Type::Detail, 1044).elements = {
      caption("QRLabel1", 8, 16), title, picture("QRImage1", QRect(16, 48, 417, 418)),
      caption("QRLabel2", 8, 488), picture("QRImage2", QRect(16, 528, 537, 417))};
}

Tfrm_ImpJaquettes::Tfrm_ImpJaquettes(QWidget* parent) : Form(parent) {
  setObjectName("frm_ImpJaquettes");
  setWindowTitle(QStringLiteral("Impression des jaquettes"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint |
                 Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  SetClientSize(215, 97);
  setFont(QFont("MS Sans Serif", 8));
  auto radio = [this](const char* name, const QString& text, int y) {
    auto* r = new QRadioButton(text, this);
    r->setObjectName(name);
    r->setGeometry(8, y, 105, 21);
    return r;
  };
  RadioButton1 = radio("RadioButton1", QStringLiteral("Jaquette avant"), 8);
  RadioButton2 = radio("RadioButton2", QStringLiteral("Jaquette arrière"), 36);
  RadioButton3 = radio("RadioButton3", QStringLiteral("Les deux"), 64);
  // Drawn right to left: its button on the right of its caption.
  RadioButton3->setLayoutDirection(Qt::RightToLeft);
  RadioButton3->setGeometry(8, 64, 80, 21);
  RadioButton1->setChecked(true);
  SpeedButton1 =
      MakeButton(this, "SpeedButton1", QStringLiteral("Imprimer"), QRect(113, 4, 97, 41), true);
  SpeedButton2 =
      MakeButton(this, "SpeedButton2", QStringLiteral("Fermer"), QRect(113, 52, 97, 41), true);
  SpeedButton1->setIcon(PictogramIcon(Pictogram::Print));
  SpeedButton2->setIcon(PictogramIcon(Pictogram::Quit));
  OnSignal(SpeedButton1, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
  OnSignal(SpeedButton2, &QPushButton::clicked, this, [this] { SpeedButton2Click(); });
}

void Tfrm_ImpJaquettes::SpeedButton1Click() {
  const QString front = Forms().frmMFiche->Edit1->text();
  const QString back = Forms().frmMFiche->Edit2->text();
  TQuickReport1& report = *Forms().quickReport1;
  // Whichever covers print, the page says which film they are of.
  db::Table& films = Forms().form1->Tvideo;
  report.QRTitre().text = films.Active() && !films.IsEmpty()
                              ? QString::fromStdString(films.FieldByName("Titre").AsString())
                              : QString();
  if (RadioButton1->isChecked()) {
    if (front.isEmpty()) {
      qt::Ui().Warning(this, QStringLiteral("Il n'existe aucune jaquette avant pour ce film !"));
      return;
    }
    report.QRImage2().image = QImage();
    report.QRLabel1().text = QStringLiteral("Jaquette avant :");
    report.QRLabel2().text.clear();
    report.QRImage1().image = LoadPicture(front);
    report.Preview(this);
    done(QDialog::Accepted);
  } else if (RadioButton2->isChecked()) {
    if (back.isEmpty()) {
      qt::Ui().Warning(this, QStringLiteral("Il n'existe aucune jaquette arrière pour ce film !"));
      return;
    }
    report.QRImage1().image = QImage();
    report.QRLabel2().text = QStringLiteral("Jaquette arrière :");
    report.QRLabel1().text.clear();
    report.QRImage2().image = LoadPicture(back);
    report.Preview(this);
  } else if (RadioButton3->isChecked()) {
    if (front.isEmpty() && back.isEmpty()) {
      qt::Ui().Warning(this,
                       QStringLiteral("Il n'existe aucune jaquette avant/arrière pour ce film !"));
      return;
    }
    report.QRLabel1().text = QStringLiteral("Jaquette avant :");
    report.QRLabel2().text = QStringLiteral("Jaquette arrière :");
    report.QRImage1().image = front.isEmpty() ? QImage() : LoadPicture(front);
    report.QRImage2().image = back.isEmpty() ? QImage() : LoadPicture(back);
    report.Preview(this);
  }
}

void Tfrm_ImpJaquettes::SpeedButton2Click() {
  reject();
}

}  // namespace kvn::app
