#include "export_dialog/rtf_page.h"

#include <QButtonGroup>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "export_dialog/dialog_util.h"
#include "export_dialog/page_widgets.h"

namespace kvn::exporting {

RtfOptionsPage::RtfOptionsPage(TQExportDialogF& dialog) : DialogPage(dialog, "RtfPage") {
  QWidget* page = this;
  auto* grid = new QGridLayout(page);
  const auto fontRow = [&](int row, const QString& title, QLabel*& sample,
                           Font& (*font)(TQExportDialogF&)) {
    auto* group = new QGroupBox(title, page);
    auto* l = new QHBoxLayout(group);
    sample = new QLabel(group);
    sample->setMinimumWidth(200);
    sample->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* choose = new QPushButton(Tr("Choisir..."), group);
    l->addWidget(sample, 1);
    l->addWidget(choose);
    grid->addWidget(group, row, 0);
    const auto pick = [this, font] {
      Font& f = font(Dialog());
      if (auto chosen = Hooks().ChooseFont(&Dialog(), f)) {
        f = *chosen;
        Refresh();
      }
    };
    connect(choose, &QPushButton::clicked, this, pick);
    // A double click on the sample chooses too.
    sample->installEventFilter(new EventHook(sample, [pick](QObject*, QEvent* e) {
      if (e->type() != QEvent::MouseButtonDblClick) return false;
      pick();
      return true;
    }));
  };
  fontRow(0, Tr("Police par défaut"), m_rtfDefaultSample,
          [](TQExportDialogF& w) -> Font& { return w.Choices().RTFExp.Options.DefaultFont; });
  fontRow(1, Tr("Police titre ligne"), m_rtfHeaderSample,
          [](TQExportDialogF& w) -> Font& { return w.Choices().RTFExp.Options.HeaderFont; });
  auto* orientation = new QGroupBox(Tr(" Orientation Page "), page);
  auto* o = new QHBoxLayout(orientation);
  m_rtfPortrait = new QRadioButton(Tr("Portrait"), orientation);
  m_rtfLandscape = new QRadioButton(Tr("Landscape"), orientation);
  o->addWidget(m_rtfPortrait);
  o->addWidget(m_rtfLandscape);
  grid->addWidget(orientation, 2, 0);
  grid->setRowStretch(3, 1);
  connect(m_rtfLandscape, &QRadioButton::toggled, this, [this](bool on) {
    if (!Refreshing())
      Choices().RTFExp.Options.PageOrientation =
          on ? TQExportPageOrientation::poLandscape : TQExportPageOrientation::poPortrait;
  });
}

void RtfOptionsPage::Refresh() {
  const bool was = Refreshing();
  Refreshing() = true;
  ExportChoices& c = Choices();
  const auto describe = [](const Font& f) {
    return ToQString(f.name) + Tr(", %1 pt").arg(f.size) + (f.bold ? Tr(", gras") : QString()) +
           (f.italic ? Tr(", italique") : QString());
  };
  const auto sample = [&describe](QLabel* label, const Font& f) {
    label->setText(describe(f));
    QFont font(ToQString(f.name), f.size > 0 ? f.size : 8);
    font.setBold(f.bold);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    label->setFont(font);
  };
  sample(m_rtfDefaultSample, c.RTFExp.Options.DefaultFont);
  sample(m_rtfHeaderSample, c.RTFExp.Options.HeaderFont);
  m_rtfPortrait->setChecked(c.RTFExp.Options.PageOrientation ==
                            TQExportPageOrientation::poPortrait);
  m_rtfLandscape->setChecked(c.RTFExp.Options.PageOrientation ==
                             TQExportPageOrientation::poLandscape);
  Refreshing() = was;
}
}  // namespace kvn::exporting
