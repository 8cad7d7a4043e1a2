#include "app/about.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTextEdit>

#include "app/handlers.h"
#include "app/pictures.h"

namespace kvn::app {

const char kThanksText[] =
    "Merci à toutes celles et à tous ceux qui ont essayé les premières versions de Korvane, "
    "signalé ses défauts avec patience et proposé les idées qui l'ont fait grandir : "
    "le prêt des films, la double jaquette, l'archivage et les exports.\n\n"
    "Merci aussi aux auteurs des bibliothèques libres sur lesquelles le programme repose : "
    "Qt pour les fenêtres et l'impression, SQLite pour le catalogue, zlib pour la compression "
    "des archives, libjpeg pour les jaquettes, SANE pour la numérisation, libgsf pour les "
    "classeurs, Crypto++ pour le chiffrement, et aux auteurs des composants de numérisation, "
    "d'archivage et de dessin des menus dont Korvane s'est inspiré.";

const char kLicenceText[] =
    "Conditions d'utilisation de Korvane 1.0\n\n"
    "1. Korvane est un logiciel gratuit. Vous pouvez l'utiliser, le copier et le distribuer "
    "librement, à titre privé comme au sein d'une association, à condition de ne pas le vendre "
    "et de le distribuer sans modification, accompagné de ce texte.\n\n"
    "2. Le logiciel est fourni « tel quel », sans garantie d'aucune sorte, expresse ou "
    "implicite, notamment de bon fonctionnement ou d'adéquation à un usage particulier.\n\n"
    "3. L'auteur ne pourra être tenu responsable d'aucun dommage, direct ou indirect, résultant "
    "de l'utilisation ou de l'impossibilité d'utiliser le logiciel, y compris la perte de "
    "données. Pensez à archiver régulièrement votre base de données (menu Fichier, « Archiver "
    "la base de données »).\n\n"
    "4. Les bibliothèques utilisées par Korvane restent soumises à leurs propres licences.\n\n"
    "5. Le catalogue que vous constituez vous appartient : Korvane n'envoie aucune donnée à "
    "quiconque.\n\n"
    "En utilisant Korvane, vous acceptez ces conditions.";

Tapropos::Tapropos(QWidget* parent) : Form(parent) {
  setObjectName("apropos");
  setWindowTitle(QCoreApplication::translate("Korvane", "A Propos..."));
  SetClientSize(670, 240);
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName("PageControl1");
  PageControl1->setGeometry(0, 0, 673, 185);

  auto* version = new QLabel;
  version->setObjectName("Image1");
  version->setPixmap(DrawBanner(QSize(665, 150)));
  version->setAlignment(Qt::AlignCenter);
  PageControl1->addTab(version, QStringLiteral("Version du logiciel"));

  auto* thanks = new QTextEdit;
  thanks->setObjectName("Memo1");
  thanks->setReadOnly(true);
  thanks->setFrameShape(QFrame::NoFrame);
  thanks->setPlainText(QString::fromUtf8(kThanksText));
  PageControl1->addTab(thanks, QStringLiteral("Remerciements"));

  auto* licence = new QPlainTextEdit;
  licence->setObjectName("Memo2");
  licence->setReadOnly(true);
  licence->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  licence->setPlainText(QString::fromUtf8(kLicenceText));
  PageControl1->addTab(licence, QStringLiteral("Licence"));

  auto* close = MakeButton(this, "SpeedButton1", QStringLiteral("Fermer la fenêtre"),
                           QRect((670 - 137) / 2, 192, 137, 41));
  OnSignal(close, &QPushButton::clicked, this, [this] { accept(); });
}

TSplashScreen::TSplashScreen() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName("SplashScreen");
  setFixedSize(335, 249);
  auto* picture = new QLabel(this);
  picture->setPixmap(DrawBanner(QSize(335, 249)));
  picture->setGeometry(0, 0, 335, 249);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

}  // namespace kvn::app
