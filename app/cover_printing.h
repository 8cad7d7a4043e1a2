// Cover printing from the edit window: the dialog that chooses the front, the
// back or both covers of the film being edited, and the one-page report that
// lays them out on an A4 page.
#pragma once

#include "app/forms.h"
#include "report/report.h"

class QRadioButton;
class QPushButton;

namespace kvn::app {

// The cover report: one detail band with a caption and a picture at the top
// and at the bottom (QRLabel1, QRImage1, QRLabel2, QRImage2), and the film's
// title beside the top caption (QRTitre).
class TQuickReport1 {
 public:
  TQuickReport1();
  TQuickReport1(const TQuickReport1&) = delete;
  TQuickReport1& operator=(const TQuickReport1&) = delete;

  report::Element& QRLabel1() { return *Report.Find(QStringLiteral("QRLabel1")); }
  report::Element& QRImage1() { return *Report.Find(QStringLiteral("QRImage1")); }
  report::Element& QRLabel2() { return *Report.Find(QStringLiteral("QRLabel2")); }
  report::Element& QRImage2() { return *Report.Find(QStringLiteral("QRImage2")); }
  report::Element& QRTitre() { return *Report.Find(QStringLiteral("QRTitre")); }
  void Preview(QWidget* parent) { report::ReportPreviewer().Preview(Report, parent); }

  report::Report Report;
};

// "Impression des jaquettes".
class Tfrm_ImpJaquettes : public Form {
 public:
  explicit Tfrm_ImpJaquettes(QWidget* parent = nullptr);
  void SpeedButton1Click();  // "Imprimer"
  void SpeedButton2Click();  // "Fermer"

  QRadioButton* RadioButton1;
  QRadioButton* RadioButton2;
  QRadioButton* RadioButton3;
  QPushButton* SpeedButton1;
  QPushButton* SpeedButton2;
};

}  // namespace kvn::app
