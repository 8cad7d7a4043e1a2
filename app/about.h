// The about box and the splash window shown while the program starts.
#pragma once

#include <QWidget>

#include "app/forms.h"

class QTabWidget;

namespace kvn::app {

class Tapropos : public Form {
 public:
  explicit Tapropos(QWidget* parent = nullptr);
  QTabWidget* PageControl1;
};

class TSplashScreen : public QWidget {
 public:
  TSplashScreen();
};

extern const char kThanksText[];
extern const char kLicenceText[];

}  // namespace kvn::app
