// The progress window shown beside the export dialog while an exporter runs:
// the stage, a record counter, the elapsed time and the speed, and one button
// that stops the export or, once it is over, releases the dialog.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include "export/exporter.h"

class QLabel;
class QPushButton;

namespace kvn::exporting {

class TQExportDialogProgressF : public QDialog {
 public:
  enum Stage { Preparing, Skipping, Fetching, Exporting, Paused, Resumed, Stopped, Finished };
  // The notifications of the dialog's exporter events.
  enum Code {
    Begin = 1,
    Fetched = 2,
    Skipped = 3,
    Exported = 4,
    StopAsked = 5,
    Continued = 6,
    StoppedByUser = 7,
    Ended = 8,
    CloseNow = 9
  };

  TQExportDialogProgressF(QWidget* owner, TQExport* exporter);

  // Takes a notification; the window shows it the next time events are
  // processed.
  void Notify(int code);
  // A note under the counters once the export is over (the characters the
  // file could not hold); nothing when empty.
  void ShowNote(const QString& note);
  QString NoteText() const;
  // Whether the user pressed the button once the export was over.
  bool ResultOk() const { return m_ok; }
  Stage CurrentStage() const { return m_stage; }
  int Counter(Code which) const;
  QPushButton* Button() const { return m_button; }
  QString StatusText() const;
  QString CounterText() const;
  QString CounterLabel() const;
  QString TimeText() const;
  QString SpeedText() const;
  bool TimerRunning() const { return m_timer.isActive(); }

  // A tick of the timer: shows the time the export has run (pauses for
  // the stop question left out) and its speed.
  void Tick();
  // Shows ms milliseconds of run time and the rows per second they make.
  void ShowElapsed(int64_t ms);

  // Escape and the window's close button: during the export, the stop
  // question (as the button); once it is over, the user's OK.
  void reject() override;

 private:
  void SetStage(Stage stage);
  void StartClock();
  void StopClock();
  void ShowCounter(int value);
  void ButtonClicked();

  TQExport* m_exporter;
  QLabel* m_status;
  QLabel* m_counterLabel;
  QLabel* m_counter;
  QLabel* m_time;
  QLabel* m_speed;
  QLabel* m_note;
  QPushButton* m_button;
  QTimer m_timer;
  Stage m_stage = Preparing;
  int m_fetched = 0, m_skipped = 0, m_exported = 0;
  QElapsedTimer m_clock;  // running while the export runs
  int64_t m_runMs = 0;    // run time before the clock's last start
  bool m_ok = false;
};

}  // namespace kvn::exporting
