// The owner-drawing style a flat menu component gives the menus it draws:
// item sizes and pictures come from each item's callbacks, the menu's
// background, frame and margins from the component; everything else is the
// application style's.
#pragma once

#include <QProxyStyle>

namespace kvn::menus {

class TXPMenu;

class TXPMenuStyle : public QProxyStyle {
 public:
  explicit TXPMenuStyle(TXPMenu* component);

  // The frame of a pop-up menu, in pixels.
  static constexpr int kMenuFrameWidth = 3;
  // What the menus add to a measured width, as a desktop menu system does for
  // owner-drawn items: a pop-up item gains the width of a check mark less one,
  // a menu-bar item the width of its raised box's shadow, so that its text
  // stays clear of it.
  static constexpr int kPopupItemExtraWidth = 12;
  static constexpr int kMenuBarItemExtraWidth = 8;

  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override;
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;

 private:
  TXPMenu* m_component;
};

}  // namespace kvn::menus
