#include "app/scan_form.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>

#include "app/handlers.h"
#include "platform/output_file.h"
#include "qt_support/prompts.h"

namespace kvn::app {

TfrmSCfiche::TfrmSCfiche(QWidget* parent) : Form(parent) {
  setObjectName("frmSCfiche");
  setWindowTitle(QStringLiteral("Scanner une jaquette"));
  SetClientSize(633, 451, false);
  const auto flat = [this](const char* name, const QString& text, int x) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(name);
    b->setFlat(true);
    b->setGeometry(x, 8, 145, 41);
    return b;
  };
  SpeedButton2 = flat("SpeedButton2", QStringLiteral("Numériser"), 8);
  SpeedButton2->setFont(QFont("Arial", 10));
  SpeedButton3 = flat("SpeedButton3", QStringLiteral("Enregistrer"), 161);
  SpeedButton4 = flat("SpeedButton4", QStringLiteral("Fermer la fenêtre"), 314);
  // The JPEG quality: 100 the finest picture and the largest file.
  auto* label = new QLabel(QStringLiteral("Qualité JPEG :"), this);
  label->setGeometry(470, 8, 150, 16);
  SpinEdit1 = new QSpinBox(this);
  SpinEdit1->setObjectName("SpinEdit1");
  SpinEdit1->setRange(1, 100);
  SpinEdit1->setValue(90);
  // Changed with its arrows only.
  if (auto* typing = SpinEdit1->findChild<QLineEdit*>()) typing->setReadOnly(true);
  SpinEdit1->setGeometry(470, 26, 80, 24);
  auto* area = new QScrollArea(this);
  area->setGeometry(8, 64, 609, 345);
  Images1 = new QLabel;
  Images1->setObjectName("Images1");
  Images1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  area->setWidget(Images1);
  area->setWidgetResizable(false);

  AcquireImage1.SetAppInfo("Twain Freeware Component");
  AcquireImage1.SetAppManufacturer("none");
  AcquireImage1.SetAppProductFamily("none");
  AcquireImage1.SetAppProductName("none");
  AcquireImage1.SHOWhideUI = true;

  connect(SpeedButton2, &QPushButton::clicked, this,
          [this] { RunHandler(this, [this] { SpeedButton2Click(); }); });
  connect(SpeedButton3, &QPushButton::clicked, this,
          [this] { RunHandler(this, [this] { SpeedButton3Click(); }); });
  connect(SpeedButton4, &QPushButton::clicked, this,
          [this] { RunHandler(this, [this] { SpeedButton4Click(); }); });
}

void TfrmSCfiche::SpeedButton2Click() {
  const int quality = SpinEdit1->value();
  acquire::TAcquireImage& t = AcquireImage1;
  // Each step's result is checked: the user is told why no picture came, and
  // the picture shown stays as it was.
  if (!t.LoadSourceManager()) {
    qt::Ui().Warning(
        this, QStringLiteral("Le gestionnaire de numérisation n'a pas pu être chargé (%1).")
                  .arg(QString::fromStdString(acquire::TAcquireImage::ManagerLibraryPath())));
    return;
  }
  if (t.OpenSourceManager() != 0) {
    qt::Ui().Warning(this,
                     QStringLiteral("Le gestionnaire de numérisation n'a pas pu être ouvert."));
    return;
  }
  const std::string source = t.SelectSource(true);
  if (source.empty()) {
    t.CloseSource();
    qt::Ui().Warning(this, QStringLiteral("Aucun scanner n'a été trouvé."));
    return;
  }
  if (t.OpenSource() != 0) {
    t.CloseSource();
    qt::Ui().Warning(this, QStringLiteral("Le scanner « %1 » n'a pas pu être ouvert.")
                               .arg(QString::fromStdString(source)));
    return;
  }
  int lastError = 0;
  t.OnTwainError = [&lastError](acquire::TAcquireImage*, int, int code) { lastError = code; };
  acquire::TJPEGImage scanned;
  // The windows keep painting while the scanner works: this window's
  // buttons wait for the end of the scan.
  for (QPushButton* b : {SpeedButton2, SpeedButton3, SpeedButton4}) b->setEnabled(false);
  const uint16_t rc = t.AcquireJpeg(scanned, quality);
  for (QPushButton* b : {SpeedButton2, SpeedButton3, SpeedButton4}) b->setEnabled(true);
  t.OnTwainError = nullptr;
  t.CloseSource();
  if (rc != 0 || scanned.Empty()) {
    qt::Ui().Warning(this, lastError == acquire::TWRC_CANCEL
                               ? QStringLiteral("La numérisation a été annulée.")
                               : QStringLiteral("La numérisation a échoué."));
    return;
  }
  m_current = std::move(scanned);
  QPixmap picture;
  picture.loadFromData(reinterpret_cast<const uchar*>(m_current.data.data()),
                       static_cast<uint>(m_current.data.size()), "JPEG");
  Images1->setPixmap(picture);
  Images1->resize(picture.size());
}

void TfrmSCfiche::SpeedButton3Click() {
  if (m_current.Empty()) {
    qt::Ui().Warning(
        this, QStringLiteral("Aucune image à enregistrer : numérisez d'abord une jaquette."));
    return;
  }
  auto name = qt::Ui().SaveFileName(this, QStringLiteral("Jpeg (*.jpg)|*.jpg"));
  if (!name || name->isEmpty()) return;
  // A name without extension gets ".jpg" (the cover boxes take pictures by
  // their extension); another extension is the user's choice. The earlier
  // file is replaced only by a complete one.
  QString path = *name;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".jpg");
  platform::OutputFile file(path.toStdString());
  file.Stream().WriteString(m_current.data);
  file.Commit();
}

void TfrmSCfiche::SpeedButton4Click() {
  AcquireImage1.UnloadSourceManager();
  m_current = {};
  Images1->clear();
  close();
}

}  // namespace kvn::app
