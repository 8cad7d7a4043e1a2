#include "export_dialog/progress_window.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <cmath>

#include "export_dialog/dialog_util.h"
#include "platform/format.h"

namespace kvn::exporting {

namespace {

QLabel* SunkenValue(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setMinimumWidth(180);
  return label;
}

}  // namespace

TQExportDialogProgressF::TQExportDialogProgressF(QWidget* owner, TQExport* exporter)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_exporter(exporter) {
  setObjectName("TQExportDialogProgressF");
  setWindowTitle(Tr("Export..."));
  setFixedSize(301, 140);
  auto* grid = new QGridLayout(this);
  m_status = SunkenValue(this);
  m_status->setObjectName("Status");
  m_counterLabel = new QLabel(Tr("Exporté"), this);
  m_counterLabel->setObjectName("CounterLabel");
  m_counter = SunkenValue(this);
  m_counter->setObjectName("Counter");
  m_time = SunkenValue(this);
  m_time->setObjectName("Time");
  m_speed = SunkenValue(this);
  m_speed->setObjectName("Speed");
  grid->addWidget(new QLabel(Tr("Etat"), this), 0, 0);
  grid->addWidget(m_status, 0, 1);
  grid->addWidget(m_counterLabel, 1, 0);
  grid->addWidget(m_counter, 1, 1);
  grid->addWidget(new QLabel(Tr("Temps"), this), 2, 0);
  grid->addWidget(m_time, 2, 1);
  grid->addWidget(new QLabel(Tr("Vitesse"), this), 3, 0);
  grid->addWidget(m_speed, 3, 1);
  m_button = new QPushButton(Tr("Annuler"), this);
  m_button->setObjectName("Button");
  m_button->setFixedSize(75, 22);
  m_note = new QLabel(this);
  m_note->setObjectName("Note");
  m_note->setWordWrap(true);
  m_note->hide();
  grid->addWidget(m_note, 4, 0, 1, 2);
  grid->addWidget(m_button, 5, 0, 1, 2, Qt::AlignHCenter);
  m_counter->setText("0");
  m_time->setText("0:00:00");
  m_speed->setText(Tr("0 lignes/sec"));
  m_status->setText(Tr("Préparation..."));
  m_timer.setInterval(1000);
  QObject::connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
  QObject::connect(m_button, &QPushButton::clicked, this, [this] { ButtonClicked(); });
}

void TQExportDialogProgressF::SetStage(Stage stage) {
  m_stage = stage;
  static const char* const status[] = {
      "Préparation...", "Exclue...", "Fetching...", "Export...",
      "Pause",          "Export...", "Annulé",      "Fin de traitement"};
  m_status->setText(Tr(status[stage]));
  switch (stage) {
    case Skipping:
      m_counterLabel->setText(Tr("Exclus"));
      break;
    case Fetching:
      m_counterLabel->setText(Tr("Fetched"));
      break;
    case Exporting:
      m_counterLabel->setText(Tr("Exporté"));
      break;
    default:
      break;
  }
  switch (stage) {
    case Preparing:
    case Resumed:
      m_button->setText(Tr("Annuler"));
      break;
    case Stopped:
    case Finished:
      m_button->setText(Tr("OK"));
      break;
    default:
      break;
  }
}

void TQExportDialogProgressF::ShowCounter(int value) {
  m_counter->setText(QString::number(value));
}

void TQExportDialogProgressF::Notify(int code) {
  const auto start = [this] { StartClock(); };
  switch (code) {
    case Begin:
      start();
      SetStage(Preparing);
      break;
    case Fetched:
      start();
      if (m_stage != Fetching) SetStage(Fetching);
      ShowCounter(++m_fetched);
      break;
    case Skipped:
      start();
      if (m_stage != Skipping) SetStage(Skipping);
      ShowCounter(++m_skipped);
      break;
    case Exported:
      start();
      if (m_stage != Exporting) SetStage(Exporting);
      ShowCounter(++m_exported);
      break;
    case StopAsked:
      StopClock();
      SetStage(Paused);
      break;
    case Continued:
      start();
      SetStage(Resumed);
      break;
    case StoppedByUser:
      StopClock();
      SetStage(Stopped);
      break;
    case Ended:
      StopClock();
      SetStage(Finished);
      break;
    case CloseNow:
      close();
      break;
    default:
      break;
  }
}

void TQExportDialogProgressF::ShowNote(const QString& note) {
  if (note.isEmpty()) return;
  m_note->setText(note);
  m_note->show();
  // The window grows to the note's lines.
  setFixedSize(301, 140 + m_note->heightForWidth(281) + 6);
}

QString TQExportDialogProgressF::NoteText() const {
  return m_note->isVisible() ? m_note->text() : QString();
}

int TQExportDialogProgressF::Counter(Code which) const {
  switch (which) {
    case Fetched:
      return m_fetched;
    case Skipped:
      return m_skipped;
    default:
      return m_exported;
  }
}

QString TQExportDialogProgressF::StatusText() const {
  return m_status->text();
}
QString TQExportDialogProgressF::CounterText() const {
  return m_counter->text();
}
QString TQExportDialogProgressF::CounterLabel() const {
  return m_counterLabel->text();
}
QString TQExportDialogProgressF::TimeText() const {
  return m_time->text();
}
QString TQExportDialogProgressF::SpeedText() const {
  return m_speed->text();
}

void TQExportDialogProgressF::StartClock() {
  if (m_timer.isActive()) return;
  m_timer.start();
  m_clock.start();
}

void TQExportDialogProgressF::StopClock() {
  m_timer.stop();
  if (m_clock.isValid()) m_runMs += m_clock.elapsed();
  m_clock.invalidate();
  ShowElapsed(m_runMs);
}

void TQExportDialogProgressF::Tick() {
  ShowElapsed(m_runMs + (m_clock.isValid() ? m_clock.elapsed() : 0));
}

void TQExportDialogProgressF::ShowElapsed(int64_t ms) {
  const int64_t seconds = ms / 1000;
  m_time->setText(Tr("%1:%2:%3")
                      .arg(seconds / 3600)
                      .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                      .arg(seconds % 60, 2, 10, QLatin1Char('0')));
  const int64_t rows = m_fetched + m_skipped + m_exported;
  m_speed->setText(Tr("%1 lignes/sec").arg(ms > 0 ? rows * 1000 / ms : 0));
}

void TQExportDialogProgressF::reject() {
  switch (m_stage) {
    case Preparing:
    case Fetching:
    case Exporting:
    case Resumed:
      ButtonClicked();
      return;
    case Paused:
      return;
    default:
      m_ok = true;
      QDialog::reject();
  }
}

void TQExportDialogProgressF::ButtonClicked() {
  switch (m_stage) {
    case Preparing:
    case Fetching:
    case Exporting:
    case Resumed:
      if (m_exporter) m_exporter->Abort();
      break;
    default:
      m_ok = true;
      break;
  }
}

}  // namespace kvn::exporting
