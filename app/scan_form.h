// The cover scanning window: scans a cover through the acquisition component,
// shows it and saves it as a JPEG file. It says in French why a scan did not
// come (no manager, no scanner, a cancelled or failed scan); the picture shown
// then stays as it was.
#pragma once

#include <QLabel>
#include <QSpinBox>

#include "acquire/acquire_image.h"
#include "app/forms.h"

class QPushButton;

namespace kvn::app {

class TfrmSCfiche : public Form {
 public:
  explicit TfrmSCfiche(QWidget* parent = nullptr);

  void SpeedButton2Click();  // "Numériser"
  void SpeedButton3Click();  // "Enregistrer"
  void SpeedButton4Click();  // "Fermer la fenêtre"

  QPushButton *SpeedButton2, *SpeedButton3, *SpeedButton4;
  QSpinBox* SpinEdit1;
  QLabel* Images1;
  acquire::TAcquireImage AcquireImage1;
  // The picture shown, as JPEG bytes.
  const acquire::TJPEGImage& Current() const { return m_current; }

 private:
  acquire::TJPEGImage m_current;
};

}  // namespace kvn::app
