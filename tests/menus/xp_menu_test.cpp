// The flat menus drawn offscreen and read back pixel by pixel: the component's
// handlers on an image with known rectangles, and real menus and menu bars of a
// window through the owner-drawing style.
#include "menus/xp_menu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPalette>
#include <memory>

#include "menus/menu_item_events.h"
#include "menus/xp_menu_style.h"

namespace kvn::menus {
namespace {

using platform::TColor;

// Colours a window's palette gives the system colours in these tests.
constexpr TColor kButtonFace = MakeRGB(212, 208, 200), kHighlight = MakeRGB(49, 106, 197),
                 kButtonShadow = MakeRGB(128, 128, 128), kButtonHighlight = MakeRGB(255, 255, 255),
                 kMenu = MakeRGB(230, 230, 230), kMenuText = MakeRGB(0, 0, 0),
                 kDisabledText = MakeRGB(172, 168, 153);
// The component's own colours, all different.
constexpr TColor kColor = MakeRGB(250, 250, 240), kIconBack = MakeRGB(200, 210, 220),
                 kSelect = MakeRGB(180, 200, 250), kSelectBorder = MakeRGB(10, 36, 106),
                 kSeparator = MakeRGB(120, 130, 140), kChecked = MakeRGB(0, 100, 0),
                 kDisabled = MakeRGB(150, 150, 150), kMenuBar = MakeRGB(220, 215, 205),
                 kSelectFont = MakeRGB(0, 0, 128);
constexpr TColor kUntouched = MakeRGB(255, 0, 255);

QColor Q(TColor c) {
  return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

TColor At(const QImage& image, int x, int y) {
  const QRgb p = image.pixel(x, y);
  return MakeRGB(qRed(p), qGreen(p), qBlue(p));
}

int Count(const QImage& image, const QRect& area, TColor c) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += At(image, x, y) == c;
  return n;
}

// A 16 x 16 picture: a 2-pixel transparent border round a solid square.
QIcon SquareIcon(TColor inside) {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter(&image).fillRect(2, 2, 12, 12, Q(inside));
  return QIcon(QPixmap::fromImage(image));
}

class XPMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = std::make_unique<QMainWindow>();
    QPalette palette = window->palette();
    palette.setColor(QPalette::Button, Q(kButtonFace));
    palette.setColor(QPalette::Highlight, Q(kHighlight));
    palette.setColor(QPalette::Dark, Q(kButtonShadow));
    palette.setColor(QPalette::Light, Q(kButtonHighlight));
    palette.setColor(QPalette::Window, Q(kMenu));
    palette.setColor(QPalette::WindowText, Q(kMenuText));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, Q(kDisabledText));
    window->setPalette(palette);
    window->resize(400, 300);
    file = window->menuBar()->addMenu(QStringLiteral("&Fichier"));
    xp = new TXPMenu(window.get());
  }

  // The component's own colours and an 8-point font drawn without smoothing,
  // so that text pixels carry exactly the text colour.
  void UseOwnColors() {
    xp->SetUseSystemColors(false);
    QFont font(QStringLiteral("Tahoma"), 8);
    font.setStyleStrategy(QFont::NoAntialias);
    xp->SetFont({font, platform::clBlack});
    xp->SetColor(kColor);
    xp->SetIconBackColor(kIconBack);
    xp->SetSelectColor(kSelect);
    xp->SetSelectBorderColor(kSelectBorder);
    xp->SetSeparatorColor(kSeparator);
    xp->SetCheckedColor(kChecked);
    xp->SetDisabledColor(kDisabled);
    xp->SetMenuBarColor(kMenuBar);
    xp->SetSelectFontColor(kSelectFont);
  }

  // The item drawn into [0, 0, width, height] of an image two pixels larger
  // each way, first filled with kUntouched.
  QImage Draw(QAction* item, int width, int height, bool selected) {
    QImage image(width + 2, height + 2, QImage::Format_RGB32);
    image.fill(Q(kUntouched));
    QPainter painter(&image);
    xp->DrawItem(item, painter, QRect(0, 0, width, height), selected);
    return image;
  }

  QImage Show(QMenu* menu) {
    menu->popup(QPoint(0, 40));
    QApplication::processEvents();
    return menu->grab().toImage();
  }

  std::unique_ptr<QMainWindow> window;
  QMenu* file = nullptr;
  TXPMenu* xp = nullptr;
};

TEST_F(XPMenuTest, DefaultsAndEffectiveColors) {
  EXPECT_EQ(xp->IconWidth(), 24);
  EXPECT_TRUE(xp->DrawSelect());
  EXPECT_TRUE(xp->UseSystemColors());
  EXPECT_FALSE(xp->OverrideOwnerDraw() || xp->Gradient() || xp->FlatMenu() || xp->AutoDetect() ||
               xp->Active());
  EXPECT_EQ(xp->Color(), platform::clBtnFace);
  EXPECT_EQ(xp->DisabledColor(), platform::clInactiveCaption);
  EXPECT_EQ(xp->SelectFontColor(), platform::clMenuText);
  EXPECT_EQ(xp->Font().Font.family(), TXPMenu::SystemMenuFont().Font.family());

  // System colours on a true-colour surface: derived from the palette.
  TXPMenuColors e = xp->EffectiveColors(32);
  EXPECT_TRUE(e.HighColor);
  EXPECT_EQ(e.Color, Lighten(kButtonFace, 86));
  EXPECT_EQ(e.IconBackColor, Lighten(kButtonFace, 16));
  EXPECT_EQ(e.SelectColor, Lighten(kHighlight, 68));
  EXPECT_EQ(e.SelectBorderColor, kHighlight);
  EXPECT_EQ(e.MenuBarColor, kMenu);
  EXPECT_EQ(e.DisabledColor, Lighten(kButtonShadow, 10));
  EXPECT_EQ(e.SeparatorColor, Lighten(kButtonShadow, 25));
  EXPECT_EQ(e.CheckBack, Lighten(kHighlight, 75));
  EXPECT_EQ(e.CheckBackSelected, Lighten(kHighlight, 50));
  EXPECT_EQ(e.Frame, Darken(kButtonFace, 90));
  EXPECT_EQ(e.Shadow, Darken(kButtonFace, 76));
  EXPECT_EQ(e.SelectFontColor, kMenuText);

  // A 256-colour surface falls back to white, silver and the button shadow.
  e = xp->EffectiveColors(8);
  EXPECT_FALSE(e.HighColor);
  EXPECT_EQ(e.Color, platform::clWhite);
  EXPECT_EQ(e.SelectColor, platform::clWhite);
  EXPECT_EQ(e.CheckBack, platform::clWhite);
  EXPECT_EQ(e.CheckBackSelected, platform::clWhite);
  EXPECT_EQ(e.Frame, NearestColor(kButtonShadow, 8));
  EXPECT_EQ(e.SeparatorColor, NearestColor(kButtonShadow, 8));
  EXPECT_EQ(e.IconBackColor, NearestColor(kButtonFace, 8));

  // The component's own colours; the check backgrounds follow SelectColor.
  UseOwnColors();
  e = xp->EffectiveColors(32);
  EXPECT_EQ(e.Color, kColor);
  EXPECT_EQ(e.IconBackColor, kIconBack);
  EXPECT_EQ(e.MenuBarColor, kMenuBar);
  EXPECT_EQ(e.CheckBack, Lighten(kSelect, 75));
  EXPECT_EQ(e.CheckBackSelected, Lighten(kSelect, 50));
  e = xp->EffectiveColors(8);
  EXPECT_EQ(e.CheckBack, platform::clWhite);
  EXPECT_EQ(e.CheckBackSelected, platform::clSilver);
  EXPECT_EQ(e.Color, NearestColor(kColor, 8));
}

TEST_F(XPMenuTest, MeasuresItemsSeparatorsAndMenuBarItems) {
  UseOwnColors();
  xp->SetActive(true);
  const QFontMetrics fm(xp->Font().Font);
  const int th = fm.height();
  const int itemHeight = th + RoundHalfEven(th * 0.75);
  if (th == 13) {
    EXPECT_EQ(itemHeight, 23);
  }

  QAction* plain = file->addAction(QStringLiteral("Nouvelle fiche"));
  QAction* withShortcut = file->addAction(QStringLiteral("&Exporter"));
  withShortcut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  QAction* separator = file->addSeparator();
  QAction* dash = file->addAction(QStringLiteral("-"));
  QAction* bitmapItem = file->addAction(QStringLiteral("Image"));
  SetMenuItemBitmap(bitmapItem, QImage(40, 30, QImage::Format_RGB32));
  QAction* bar = file->menuAction();

  struct Case {
    const char* what;
    QAction* item;
    int width, height;
  } cases[] = {
      {"caption beside the icon column", plain,
       fm.horizontalAdvance(QStringLiteral("Nouvelle fiche")) + 24 + 10, itemHeight},
      {"shortcut and WWW added, one & taken off", withShortcut,
       fm.horizontalAdvance(QStringLiteral("&ExporterCtrl+EWWW")) -
           fm.horizontalAdvance(QLatin1Char('&')) + 24 + 10,
       itemHeight},
      {"separator", separator, 24 + 10, 4},
      {"a caption of a dash is a separator", dash, 24 + 10, 4},
      {"a bitmap wider than the column and its height", bitmapItem,
       fm.horizontalAdvance(QStringLiteral("Image")) + 40 + 10, std::max(itemHeight, 34)},
      {"menu-bar item: no icon column", bar,
       fm.horizontalAdvance(QStringLiteral("&Fichier")) - fm.horizontalAdvance(QLatin1Char('&')) +
           10,
       itemHeight},
  };
  for (const Case& c : cases) {
    int w = 0, h = 0;
    xp->MeasureItem(c.item, w, h);
    EXPECT_EQ(w, c.width) << c.what;
    EXPECT_EQ(h, c.height) << c.what;
  }
  // Sizes only grow.
  int w = 500, h = 50;
  xp->MeasureItem(plain, w, h);
  EXPECT_EQ(w, 500);
  EXPECT_EQ(h, 50);

  // Inactive: nothing measured.
  xp->SetActive(false);
  w = h = 0;
  xp->MeasureItem(plain, w, h);
  EXPECT_EQ(w, 0);
}

TEST_F(XPMenuTest, SystemColorsIgnoreFontAndColor) {
  xp->SetActive(true);
  QAction* item = file->addAction(QStringLiteral("Nouvelle fiche"));
  int w1 = 0, h1 = 0;
  xp->MeasureItem(item, w1, h1);
  const TXPMenuColors before = xp->EffectiveColors(32);
  xp->SetFont({QFont(QStringLiteral("Courier New"), 20), platform::clRed});
  xp->SetColor(platform::clRed);
  int w2 = 0, h2 = 0;
  xp->MeasureItem(item, w2, h2);
  const TXPMenuColors after = xp->EffectiveColors(32);
  EXPECT_EQ(w2, w1);
  EXPECT_EQ(h2, h1);
  EXPECT_EQ(after.Color, before.Color);
  EXPECT_EQ(after.FontColor, before.FontColor);
  // Drawing resets Font to the system menu font.
  EXPECT_EQ(xp->Font().Font.family(), TXPMenu::SystemMenuFont().Font.family());
}

TEST_F(XPMenuTest, ItemBackgroundIconColumnAndSelection) {
  UseOwnColors();
  xp->SetActive(true);
  QAction* item = file->addAction(QStringLiteral("Nouvelle fiche"));

  // Unselected: the icon column is exactly IconWidth wide; the bottom row
  // below the rectangle is painted too.
  QImage image = Draw(item, 150, 23, false);
  for (int y : {0, 11, 23}) {
    EXPECT_EQ(At(image, 0, y), kIconBack) << y;
    EXPECT_EQ(At(image, 23, y), kIconBack) << y;
    EXPECT_EQ(At(image, 24, y), kColor) << y;
    EXPECT_EQ(At(image, 149, y), kColor) << y;
  }
  EXPECT_EQ(At(image, 150, 5), kUntouched);
  EXPECT_EQ(At(image, 5, 24), kUntouched);
  EXPECT_GT(Count(image, QRect(29, 0, 100, 23), platform::clBlack), 20)
      << "caption in the font colour";

  // Selected: [0, 1, 150, 23] outlined in the border colour and filled.
  image = Draw(item, 150, 23, true);
  EXPECT_EQ(At(image, 75, 0), kColor);
  EXPECT_EQ(At(image, 10, 0), kIconBack);
  for (auto [x, y] :
       {std::pair{0, 1}, {75, 1}, {149, 1}, {0, 22}, {75, 22}, {149, 22}, {0, 11}, {149, 11}})
    EXPECT_EQ(At(image, x, y), kSelectBorder) << x << "," << y;
  EXPECT_EQ(At(image, 1, 2), kSelect);
  EXPECT_EQ(At(image, 148, 21), kSelect);
  EXPECT_EQ(At(image, 75, 23), kColor);
  EXPECT_GT(Count(image, QRect(29, 0, 100, 23), kSelectFont), 20)
      << "caption in the selection font colour";

  // Flat menus end the selection one pixel earlier.
  xp->SetFlatMenu(true);
  image = Draw(item, 150, 23, true);
  EXPECT_EQ(At(image, 148, 11), kSelectBorder);
  EXPECT_EQ(At(image, 149, 11), kColor);

  // Without DrawSelect the selected item looks like the others but for its text.
  xp->SetFlatMenu(false);
  xp->SetDrawSelect(false);
  image = Draw(item, 150, 23, true);
  EXPECT_EQ(At(image, 0, 1), kIconBack);
  EXPECT_EQ(At(image, 145, 11), kColor);
}

TEST_F(XPMenuTest, DisabledItems) {
  UseOwnColors();
  xp->SetActive(true);
  QAction* item = file->addAction(QStringLiteral("Scanner une jaquette"));
  item->setEnabled(false);
  QImage image = Draw(item, 150, 23, false);
  EXPECT_GT(Count(image, QRect(29, 0, 110, 23), kDisabled), 20);
  EXPECT_EQ(Count(image, QRect(29, 0, 110, 23), platform::clBlack), 0);
  // Disabled and selected: neither background nor selection is painted.
  image = Draw(item, 150, 23, true);
  EXPECT_EQ(At(image, 75, 0), kUntouched);
  EXPECT_EQ(At(image, 0, 1), kUntouched);
  EXPECT_EQ(At(image, 10, 11), kUntouched);
  EXPECT_GT(Count(image, QRect(29, 0, 110, 23), kDisabled), 20);
}

TEST_F(XPMenuTest, SeparatorLine) {
  UseOwnColors();
  xp->SetActive(true);
  QAction* separator = file->addSeparator();
  // Height 4: the bottom is 5, the line at 0 + round(2.5) = 2, from the text
  // rectangle's left + 7 to its right.
  const QImage image = Draw(separator, 100, 4, false);
  EXPECT_EQ(At(image, 30, 2), kColor);
  for (int x : {31, 60, 99}) EXPECT_EQ(At(image, x, 2), kSeparator) << x;
  EXPECT_EQ(At(image, 100, 2), kUntouched);
  for (int y : {0, 1, 3, 4}) EXPECT_EQ(At(image, 50, y), kColor) << y;
  EXPECT_EQ(At(image, 10, 2), kIconBack);
  EXPECT_EQ(Count(image, QRect(0, 0, 100, 5), platform::clBlack), 0) << "no text";
}

TEST_F(XPMenuTest, CheckTickRadioAndIconChecks) {
  UseOwnColors();
  xp->SetActive(true);
  QAction* item = file->addAction(QStringLiteral("Coché"));
  item->setCheckable(true);
  item->setChecked(true);
  // The check rectangle: 10 x 10 centred in the 24 x 24 column: [7, 7, 17, 17].
  QImage image = Draw(item, 150, 23, false);
  for (auto [x, y] : {std::pair{7, 7}, {16, 7}, {7, 16}, {16, 16}, {7, 10}})
    EXPECT_EQ(At(image, x, y), kChecked) << x << "," << y;
  EXPECT_EQ(At(image, 8, 8), Lighten(kSelect, 75));
  EXPECT_EQ(At(image, 6, 6), kIconBack);
  // The tick's strokes, the long one reaching past the rectangle's corner.
  for (auto [x, y] : {std::pair{8, 12},
                      {9, 13},
                      {10, 14},
                      {9, 12},
                      {9, 11},
                      {11, 14},
                      {12, 13},
                      {15, 10},
                      {18, 7},
                      {11, 15}})
    EXPECT_EQ(At(image, x, y), platform::clBlack) << x << "," << y;
  EXPECT_EQ(At(image, 19, 6), kIconBack) << "a line stops short of its end";
  image = Draw(item, 150, 23, true);
  EXPECT_EQ(At(image, 8, 8), Lighten(kSelect, 50)) << "selected check background";

  // Radio item: a round mark filled with the check background.
  auto* group = new QActionGroup(window.get());
  group->addAction(item);
  image = Draw(item, 150, 23, false);
  EXPECT_EQ(At(image, 12, 12), Lighten(kSelect, 75));
  EXPECT_EQ(At(image, 7, 7), kIconBack) << "the corner is outside the circle";
  EXPECT_EQ(At(image, 12, 7), kSelectBorder);

  // Checked with an icon: the column inset by 1, 2, 3, 2 outlined in the
  // selection border colour; the icon is drawn as it is.
  auto* iconItem = file->addAction(SquareIcon(MakeRGB(200, 40, 40)), QStringLiteral("Icône"));
  iconItem->setCheckable(true);
  iconItem->setChecked(true);
  image = Draw(iconItem, 150, 23, false);
  EXPECT_EQ(At(image, 1, 2), kSelectBorder);
  EXPECT_EQ(At(image, 20, 21), kSelectBorder);
  EXPECT_EQ(At(image, 0, 2), kIconBack);
  EXPECT_EQ(At(image, 3 + 5, 4 + 5), MakeRGB(200, 40, 40));
}

TEST_F(XPMenuTest, IconEffects) {
  UseOwnColors();
  xp->SetActive(true);
  const TColor red = MakeRGB(200, 40, 40);
  QAction* item = file->addAction(SquareIcon(red), QStringLiteral("Exporter"));
  // Placed at (0 + (24 - 16) / 2 - 1, 0 + 4) = (3, 4); the transparent border
  // shows the column; unselected icons are lightened.
  QImage image = Draw(item, 150, 23, false);
  EXPECT_EQ(At(image, 3 + 2, 4 + 2), Lighten(red, 30));
  EXPECT_EQ(At(image, 3 + 13, 4 + 13), Lighten(red, 30));
  EXPECT_EQ(At(image, 3 + 1, 4 + 1), kIconBack);
  EXPECT_EQ(At(image, 3 + 14, 4 + 14), kIconBack);

  // Selected: moved one pixel up and left, drawn as it is, over a flat shadow
  // two pixels lower right.
  image = Draw(item, 150, 23, true);
  const TColor shadow = Darken(kSelect, 50);
  EXPECT_EQ(At(image, 2 + 2, 3 + 2), red);
  EXPECT_EQ(At(image, 2 + 13, 3 + 13), red);
  EXPECT_EQ(At(image, 2 + 15, 3 + 15), shadow);
  EXPECT_EQ(At(image, 2 + 14, 3 + 4), shadow);
  EXPECT_EQ(At(image, 2 + 14, 3 + 2), kSelect) << "no shadow beside the picture's top";

  // Disabled: greyed.
  item->setEnabled(false);
  image = Draw(item, 150, 23, false);
  EXPECT_EQ(At(image, 3 + 5, 4 + 5), Grey(red, 90));

  // An item's own bitmap wider than the column: at column left + 2, the text
  // after it.
  QAction* wide = file->addAction(QStringLiteral("Large"));
  QImage bitmap(30, 12, QImage::Format_RGB32);
  bitmap.fill(Qt::white);
  QPainter(&bitmap).fillRect(4, 2, 20, 8, Q(MakeRGB(0, 0, 200)));
  SetMenuItemBitmap(wide, bitmap);
  image = Draw(wide, 150, 23, false);
  EXPECT_EQ(At(image, 2 + 4, 4 + 2), Lighten(MakeRGB(0, 0, 200), 30));
  EXPECT_EQ(At(image, 2 + 1, 4 + 1), kIconBack) << "white, its bottom-left colour, is transparent";
  EXPECT_EQ(Count(image, QRect(24, 0, 10, 23), platform::clBlack), 0)
      << "text starts at 30 + 4 + 5";
}

TEST_F(XPMenuTest, MenuBarItems) {
  UseOwnColors();
  xp->SetActive(true);
  QAction* bar = file->menuAction();
  QImage image = Draw(bar, 60, 20, false);
  EXPECT_EQ(At(image, 0, 0), kMenuBar);
  EXPECT_EQ(At(image, 59, 20), kMenuBar);
  EXPECT_GT(Count(image, QRect(0, 0, 60, 21), platform::clBlack), 20);

  // Selected: the raised box over the icon background, its shadow on the right.
  image = Draw(bar, 60, 20, true);
  const TColor frame = Darken(kButtonFace, 90);
  auto dark = [](int d) { return Darken(kMenuBar, d); };
  for (auto [x, y] : {std::pair{0, 0}, {0, 20}, {30, 0}, {52, 0}, {52, 20}})
    EXPECT_EQ(At(image, x, y), frame) << x << "," << y;
  EXPECT_EQ(At(image, 1, 1), kIconBack);
  EXPECT_EQ(At(image, 51, 19), kIconBack);
  EXPECT_EQ(At(image, 54, 0), dark(10));
  EXPECT_EQ(At(image, 58, 20), dark(10));
  EXPECT_EQ(At(image, 57, 20), dark(30));
  EXPECT_EQ(At(image, 56, 20), dark(60));
  EXPECT_EQ(At(image, 54, 20), dark(100));
  EXPECT_EQ(At(image, 59, 1), kMenuBar);
  EXPECT_EQ(At(image, 55, 1), kMenuBar);
  EXPECT_EQ(At(image, 59, 6), dark(10)) << "the line stops before (R-1, T+6)";
  EXPECT_EQ(At(image, 53, 6), dark(100));
  EXPECT_EQ(At(image, 57, 4), dark(10)) << "the line down R - 3";
  // The text in the contrast colour of a light icon background: the font's.
  EXPECT_GT(Count(image, QRect(1, 1, 50, 19), platform::clBlack), 20);

  // A dark icon background gives a lightened text colour instead.
  xp->SetIconBackColor(MakeRGB(40, 40, 90));
  image = Draw(bar, 60, 20, true);
  EXPECT_EQ(Count(image, QRect(1, 1, 50, 19), platform::clBlack), 0);
  EXPECT_GT(Count(image, QRect(1, 1, 50, 19), Lighten(MakeRGB(40, 40, 90), 90)), 10);

  // On a palette display the box has a simple frame and a two-pixel shadow.
  xp->SetIconBackColor(kIconBack);
  QImage grey(62, 22, QImage::Format_Grayscale8);
  grey.fill(Qt::white);
  {
    QPainter painter(&grey);
    xp->DrawItem(bar, painter, QRect(0, 0, 60, 20), true);
  }
  // Frame and shadow are both the button shadow there.
  const int shadowGrey = qGray(Q(NearestColor(kButtonShadow, 8)).rgb());
  const int iconBackGrey = qGray(Q(NearestColor(kIconBack, 8)).rgb());
  ASSERT_NE(shadowGrey, iconBackGrey);
  EXPECT_EQ(qGray(grey.pixel(0, 10)), shadowGrey) << "frame on the left";
  EXPECT_EQ(qGray(grey.pixel(57, 10)), shadowGrey) << "frame at R - 3";
  EXPECT_EQ(qGray(grey.pixel(56, 10)), iconBackGrey);
  EXPECT_EQ(qGray(grey.pixel(59, 2)), shadowGrey) << "shadow from T + 2";
  EXPECT_EQ(qGray(grey.pixel(59, 1)), iconBackGrey);
}

TEST_F(XPMenuTest, GradientEndColours) {
  UseOwnColors();
  xp->SetGradient(true);
  xp->SetActive(true);
  QAction* item = file->addAction(QStringLiteral("Dégradé"));
  // Over [0, 0, R + 2, B]: 3 per column inside the icon column and 5 more
  // pixels, then 1, up to 96.
  const QImage image = Draw(item, 100, 23, false);
  EXPECT_EQ(At(image, 0, 5), kIconBack);
  EXPECT_EQ(At(image, 1, 5), Lighten(kIconBack, 3));
  EXPECT_EQ(At(image, 28, 5), Lighten(kIconBack, 84));
  EXPECT_EQ(At(image, 29, 5), Lighten(kIconBack, 87));
  EXPECT_EQ(At(image, 30, 5), Lighten(kIconBack, 88));
  EXPECT_EQ(At(image, 38, 23), Lighten(kIconBack, 96));
  EXPECT_EQ(At(image, 101, 23), Lighten(kIconBack, 96));
}

TEST_F(XPMenuTest, HookingRespectsOtherCallbacks) {
  QAction* ours = file->addAction(QStringLiteral("Nouvelle fiche"));
  QAction* theirs = file->addAction(QStringLiteral("Dessin à part"));
  int tag = 0;
  SetOnDrawItem(
      theirs, [](QAction*, QPainter&, const QRect&, bool) {}, &tag);
  auto* popup = new QMenu(window.get());
  QAction* popupItem = popup->addAction(QStringLiteral("Modifier"));
  auto* empty = new QMenu(window.get());

  xp->SetActive(true);
  EXPECT_EQ(window->menuBar()->style(), xp->Style());
  EXPECT_EQ(file->style(), xp->Style());
  EXPECT_EQ(popup->style(), xp->Style());
  EXPECT_NE(empty->style(), xp->Style()) << "a menu without items is left alone";
  EXPECT_EQ(OnDrawItemTag(ours), xp);
  EXPECT_EQ(OnMeasureItemTag(ours), xp);
  EXPECT_EQ(OnDrawItemTag(popupItem), xp);
  EXPECT_EQ(OnDrawItemTag(file->menuAction()), xp);
  EXPECT_EQ(OnDrawItemTag(theirs), &tag) << "an item's own drawing is kept";
  EXPECT_EQ(OnMeasureItemTag(theirs), xp);

  xp->SetOverrideOwnerDraw(true);
  EXPECT_EQ(OnDrawItemTag(theirs), xp);

  xp->SetActive(false);
  EXPECT_EQ(OnDrawItem(ours), nullptr);
  EXPECT_EQ(OnDrawItem(theirs), nullptr);
  EXPECT_NE(file->style(), xp->Style());
  EXPECT_NE(window->menuBar()->style(), xp->Style());

  // Without the override, unhooking leaves another's callback in place.
  SetOnDrawItem(
      theirs, [](QAction*, QPainter&, const QRect&, bool) {}, &tag);
  xp->SetOverrideOwnerDraw(false);
  xp->SetActive(true);
  xp->SetActive(false);
  EXPECT_EQ(OnDrawItemTag(theirs), &tag);
}

TEST_F(XPMenuTest, AutoDetectActivatesOnNewItems) {
  xp->SetAutoDetect(true);
  QApplication::processEvents();
  EXPECT_FALSE(xp->Active());
  QAction* added = file->addAction(QStringLiteral("Ajouté"));
  QApplication::processEvents();
  EXPECT_TRUE(xp->Active());
  EXPECT_EQ(OnDrawItemTag(added), xp);
  // Once active, an item added later is hooked at once.
  QAction* later = file->addAction(QStringLiteral("Plus tard"));
  EXPECT_EQ(OnDrawItemTag(later), xp);
  // A new pop-up menu of the window is found as well, and the menu the user
  // has open stays open.
  window->show();
  window->menuBar()->setActiveAction(file->menuAction());
  QApplication::processEvents();
  ASSERT_TRUE(file->isVisible());
  auto* popup = new QMenu(window.get());
  popup->addAction(QStringLiteral("Modifier"));
  QApplication::processEvents();
  EXPECT_EQ(popup->style(), xp->Style());
  EXPECT_TRUE(file->isVisible());
  EXPECT_EQ(window->menuBar()->activeAction(), file->menuAction());
  file->hide();

  // Without AutoDetect nothing activates the component.
  xp->SetAutoDetect(false);
  xp->SetActive(false);
  file->addAction(QStringLiteral("Encore"));
  QApplication::processEvents();
  EXPECT_FALSE(xp->Active());
}

TEST_F(XPMenuTest, RealMenuIsOwnerDrawn) {
  UseOwnColors();
  QAction* first =
      file->addAction(SquareIcon(MakeRGB(0, 128, 0)), QStringLiteral("&Nouvelle fiche"));
  first->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  file->addAction(QStringLiteral("Archiver la base de données"));
  file->addSeparator();
  file->addAction(QStringLiteral("Quitter"));
  window->show();
  xp->SetActive(true);

  // The menu is as wide as its widest measured item plus the frame, its items
  // as high as measured.
  int widest = 0;
  for (QAction* a : file->actions()) {
    int w = 0, h = 0;
    xp->MeasureItem(a, w, h);
    widest = std::max(widest, w);
    EXPECT_EQ(file->actionGeometry(a).height(), h) << a->text().toStdString();
  }
  const QImage image = Show(file);
  const int frame = TXPMenuStyle::kMenuFrameWidth;
  EXPECT_EQ(image.width(), widest + TXPMenuStyle::kPopupItemExtraWidth + 2 * frame);
  const QRect second = file->actionGeometry(file->actions().at(1));
  EXPECT_EQ(second.left(), frame);
  const int y = second.center().y();
  EXPECT_EQ(At(image, frame, y), kIconBack);
  EXPECT_EQ(At(image, frame + 23, y), kIconBack);
  EXPECT_EQ(At(image, frame + 24, y), kColor);
  EXPECT_EQ(At(image, image.width() - frame - 1, y), kColor);
  // A raised frame: button highlight inside the top-left edge, the icon
  // column running through the frame's inner ring.
  EXPECT_EQ(At(image, 1, y), kButtonHighlight);
  EXPECT_EQ(At(image, 2, y), kIconBack);
  EXPECT_EQ(At(image, image.width() - 2, y), kButtonShadow);

  // Hovering an item selects it.
  file->setActiveAction(file->actions().at(1));
  QApplication::processEvents();
  const QImage selected = file->grab().toImage();
  EXPECT_EQ(At(selected, frame, second.top() + 1), kSelectBorder);
  EXPECT_EQ(At(selected, frame + 30, second.top() + 5), kSelect);

  // Flat: the window frame of the flat style.
  xp->SetFlatMenu(true);
  file->update();
  QApplication::processEvents();
  const QImage flat = file->grab().toImage();
  const int w = flat.width(), h = flat.height();
  const TColor frameColor = Darken(kButtonFace, 90), shadow = Darken(kButtonFace, 76);
  EXPECT_EQ(At(flat, 0, y), frameColor);
  EXPECT_EQ(At(flat, w - 3, y), frameColor);
  EXPECT_EQ(At(flat, 10, h - 3), frameColor);
  EXPECT_EQ(At(flat, 1, y), kIconBack);
  EXPECT_EQ(At(flat, 10, 2), kIconBack);
  EXPECT_EQ(At(flat, 40, 1), kColor);
  EXPECT_EQ(At(flat, w - 1, y), shadow);
  EXPECT_EQ(At(flat, 10, h - 1), shadow);
  EXPECT_EQ(At(flat, 0, h - 1), kIconBack);
  EXPECT_EQ(At(flat, w - 1, 0), kIconBack);
  file->hide();
}

TEST_F(XPMenuTest, InactiveGivesQtsOwnDrawingBack) {
  file->addAction(QStringLiteral("&Nouvelle fiche"))
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  file->addSeparator();
  file->addAction(QStringLiteral("Quitter"));
  window->show();
  const QImage qtMenu = Show(file);
  file->hide();
  const QImage qtBar = window->menuBar()->grab().toImage();

  xp->SetActive(true);
  const QImage drawn = Show(file);
  file->hide();
  EXPECT_NE(drawn, qtMenu);

  xp->SetActive(false);
  EXPECT_EQ(Show(file), qtMenu);
  file->hide();
  EXPECT_EQ(window->menuBar()->grab().toImage(), qtBar);
}

TEST_F(XPMenuTest, OnlyTheOwnersWindowMenusAreDrawn) {
  file->addAction(QStringLiteral("Quitter"));
  QMenu* popup = new QMenu(window.get());
  popup->addAction(QStringLiteral("Modifier"));
  // A window the owner owns, with a menu of its own.
  auto* dialog = new QWidget(window.get(), Qt::Dialog);
  auto* button = new QWidget(dialog);
  QMenu* inDialog = new QMenu(button);
  inDialog->addAction(QStringLiteral("Janvier"));
  xp->SetActive(true);
  EXPECT_EQ(window->menuBar()->style(), xp->Style());
  EXPECT_EQ(file->style(), xp->Style());
  EXPECT_EQ(popup->style(), xp->Style());
  EXPECT_NE(inDialog->style(), xp->Style());
  EXPECT_EQ(OnDrawItem(inDialog->actions().at(0)), nullptr);
}

TEST_F(XPMenuTest, ComponentGoesBeforeItsMenus) {
  file->addAction(QStringLiteral("Quitter"));
  xp->SetActive(true);
  delete xp;
  xp = nullptr;
  EXPECT_NE(file->style(), nullptr);
  EXPECT_EQ(OnDrawItem(file->actions().at(0)), nullptr);
  // The menu still shows with the application style.
  window->show();
  EXPECT_FALSE(Show(file).isNull());
  file->hide();
}

}  // namespace
}  // namespace kvn::menus
