// How the flat menu component paints an item, a pop-up menu's background and
// frame, and the menu bar. Coordinates follow the platform's rectangle rules:
// [L, T, R, B] holds the pixels L..R-1 and T..B-1, and a line stops one pixel
// short of its end point.
#include <QAction>
#include <QActionGroup>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPaintEngine>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>
#include <cstdlib>

#include "menus/menu_item_events.h"
#include "menus/xp_menu.h"
#include "menus/xp_menu_style.h"
#include "qt_support/conversions.h"

namespace kvn::menus {

namespace {

using qt::FromQColor;
using qt::ToQColor;

// The pixels [l, r) x [t, b).
void FillRect(QPainter& p, int l, int t, int r, int b, TColor c) {
  if (r > l && b > t) p.fillRect(QRect(l, t, r - l, b - t), ToQColor(c));
}

void Pixel(QPainter& p, int x, int y, TColor c) {
  p.fillRect(QRect(x, y, 1, 1), ToQColor(c));
}

// A one-pixel line from (x1, y1) up to, not including, (x2, y2).
void Line(QPainter& p, int x1, int y1, int x2, int y2, TColor c) {
  const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
  const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
  if (dy == 0) {
    if (sx > 0)
      FillRect(p, x1, y1, x2, y1 + 1, c);
    else
      FillRect(p, x2 + 1, y1, x1 + 1, y1 + 1, c);
    return;
  }
  if (dx == 0) {
    if (sy > 0)
      FillRect(p, x1, y1, x1 + 1, y2, c);
    else
      FillRect(p, x1, y2 + 1, x1 + 1, y1 + 1, c);
    return;
  }
  int err = dx - dy, x = x1, y = y1;
  while (x != x2 || y != y2) {
    Pixel(p, x, y, c);
    const int e2 = 2 * err;
    if (e2 > -dy) {
      err -= dy;
      x += sx;
    }
    if (e2 < dx) {
      err += dx;
      y += sy;
    }
  }
}

// Connected lines through the points; the last point is not drawn.
void Polyline(QPainter& p, std::initializer_list<QPoint> points, TColor c) {
  const QPoint* prev = nullptr;
  for (const QPoint& pt : points) {
    if (prev) Line(p, prev->x(), prev->y(), pt.x(), pt.y(), c);
    prev = &pt;
  }
}

// The outline of [l, t, r, b) in `pen`, its inside in `brush` when given.
void Rectangle(QPainter& p, int l, int t, int r, int b, TColor pen, const TColor* brush) {
  if (r - l < 1 || b - t < 1) return;
  if (brush) FillRect(p, l + 1, t + 1, r - 1, b - 1, *brush);
  FillRect(p, l, t, r, t + 1, pen);
  FillRect(p, l, b - 1, r, b, pen);
  FillRect(p, l, t, l + 1, b, pen);
  FillRect(p, r - 1, t, r, b, pen);
}

void Ellipse(QPainter& p, int l, int t, int r, int b, TColor pen, TColor brush, bool rounded) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(ToQColor(pen), 0));
  p.setBrush(ToQColor(brush));
  const QRect rect(l, t, r - l - 1, b - t - 1);
  if (rounded)
    p.drawRoundedRect(rect, 3, 3);
  else
    p.drawEllipse(rect);
  p.restore();
}

// The pixel under (x, y) of what the painter draws on, in device pixels; the
// fallback when the surface cannot be read.
TColor PixelUnder(QPainter& p, int x, int y, TColor fallback) {
  QPaintEngine* engine = p.paintEngine();
  QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
  if (!device || device->devType() != QInternal::Image) return fallback;
  const auto* image = static_cast<const QImage*>(device);
  const QPoint at = p.deviceTransform().map(QPoint(x, y));
  if (!image->valid(at)) return fallback;
  return FromQColor(QColor(image->pixel(at)));
}

TColor ContrastColor(TColor background, TColor fontColor) {
  if ((RedOf(background) + BlueOf(background)) / 2 > 150 || GreenOf(background) > 200)
    return fontColor;
  return Lighten(background, 90);
}

// Every pixel of the picture through `f`, each result the nearest colour.
template <typename F>
void MapPixels(QImage& image, int depth, F f) {
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const TColor c = NearestColor(f(FromQColor(QColor(line[x]))), depth);
      line[x] = qRgb(RedOf(c), GreenOf(c), BlueOf(c));
    }
  }
}

// Draws the picture with the colour of its bottom-left pixel left out.
void DrawTransparent(QPainter& p, int left, int top, const QImage& picture) {
  if (picture.isNull()) return;
  QImage masked = picture.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = masked.pixel(0, masked.height() - 1) | 0xFF000000u;
  for (int y = 0; y < masked.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
    for (int x = 0; x < masked.width(); ++x)
      if ((line[x] | 0xFF000000u) == key) line[x] = 0;
  }
  p.drawImage(left, top, masked);
}

}  // namespace

void TXPMenu::DrawItem(QAction* item, QPainter& canvas, const QRect& rect, bool selected) {
  if (!m_active) return;
  QPaintDevice* device = canvas.device();
  const int depth = device ? device->depth() : 32;
  const TXPMenuColors e = EffectiveColors(depth);
  const TMenuFont font = CurrentFont();
  const bool separator = item->isSeparator() || item->text() == QLatin1String("-");
  const bool menuBarItem = IsMenuBarItem(item);
  const bool rtl = canvas.layoutDirection() == Qt::RightToLeft;
  const bool enabled = item->isEnabled();
  const bool checked = item->isCheckable() && item->isChecked();
  const bool radio = item->actionGroup() &&
                     item->actionGroup()->exclusionPolicy() != QActionGroup::ExclusionPolicy::None;
  bool isDefault = false;
  for (QObject* o : item->associatedObjects())
    if (auto* menu = qobject_cast<QMenu*>(o); menu && menu->defaultAction() == item)
      isDefault = true;
  canvas.setFont(font.Font);
  canvas.setRenderHint(QPainter::Antialiasing, false);
  const QFontMetrics fm(font.Font);

  const int L = rect.left(), T = rect.top(), R = rect.left() + rect.width();
  const int B = rect.top() + rect.height() + 1;

  // The icon: the item's picture from the menu's icon set (all of one size),
  // else its own bitmap.
  const bool listIcon = !item->icon().isNull();
  const QImage bitmap = listIcon ? QImage() : MenuItemBitmap(item);
  QImage icon;
  if (listIcon) {
    icon = QImage(16, 16, QImage::Format_RGB32);
    icon.fill(ToQColor(e.IconBackColor));
    QPainter ip(&icon);
    ip.drawPixmap(0, 0, item->icon().pixmap(QSize(16, 16), 1.0));
  } else if (!bitmap.isNull()) {
    icon = bitmap.convertToFormat(QImage::Format_RGB32);
  }

  // Icon column, check rectangle, text rectangle.
  QRect column = rtl ? QRect(QPoint(R - m_iconWidth, T), QPoint(R - 1, B - 1))
                     : QRect(QPoint(L, T), QPoint(L + m_iconWidth - 1, B - 1));
  const int cl = column.left(), ct = column.top(), cr = column.right() + 1,
            cb = column.bottom() + 1;
  int kl, kt, kr, kb;
  if (listIcon) {
    kl = cl + 1, kt = ct + 2, kr = cr - 3, kb = cb - 2;
  } else {
    kl = cl + (cr - cl - 10) / 2, kt = ct + (cb - ct - 10) / 2, kr = kl + 10, kb = kt + 10;
  }
  int tl, tr;
  if (rtl) {
    tl = L;
    tr = R - m_iconWidth;
    if (!bitmap.isNull() && bitmap.width() > m_iconWidth) tr = R - bitmap.width() - 4;
  } else {
    tl = L + m_iconWidth;
    if (!bitmap.isNull() && m_iconWidth < bitmap.width() + 4) tl = L + bitmap.width() + 4;
    tr = R;
  }
  if (menuBarItem) {
    if (icon.isNull()) {
      tl = L, tr = R;
    } else if (rtl) {
      tr += 5;
    } else {
      tl -= 5;
    }
  }
  const int tt = T, tb = B;

  // Background.
  if (menuBarItem) {
    FillRect(canvas, L, T, R, B, e.MenuBarColor);
  } else if (e.HighColor && m_gradient) {
    int s = 0;
    const int width = R + 2 - L;
    for (int i = 0; i < width; ++i) {
      const int x = rtl ? R + 1 - i : L + i;
      FillRect(canvas, x, T, x + 1, B, Lighten(e.IconBackColor, s));
      if (s < 96) s = std::min(96, s + (i < m_iconWidth + 5 ? 3 : 1));
    }
  } else if (enabled || !selected) {
    FillRect(canvas, L, T, R, B, e.Color);
    FillRect(canvas, cl, ct, cr, cb, e.IconBackColor);
  }

  // Selection.
  if (selected && m_drawSelect) {
    if (menuBarItem) {
      FillRect(canvas, L, T, R, B, e.IconBackColor);
      if (rtl || !e.HighColor) {
        Polyline(canvas, {{L, B}, {L, T}, {R - 3, T}, {R - 3, B}}, e.Frame);
        FillRect(canvas, R - 2, T + 2, R, B, e.Shadow);
      } else {
        const TColor m = e.MenuBarColor;
        auto dark = [&](int d) { return NearestColor(Darken(m, d), depth); };
        Polyline(canvas, {{L, B}, {L, T}, {R - 8, T}, {R - 8, B}}, e.Frame);
        FillRect(canvas, R - 7, T, R, B, dark(10));
        FillRect(canvas, R - 7, T + 3, R - 2, B, dark(30));
        FillRect(canvas, R - 7, T + 5, R - 3, B, dark(60));
        FillRect(canvas, R - 7, T + 6, R - 5, B, dark(100));
        Polyline(canvas, {{R - 5, T + 1}, {R - 1, T + 1}, {R - 1, T + 6}}, m);
        Polyline(canvas, {{R - 3, T + 2}, {R - 2, T + 2}, {R - 2, T + 3}, {R - 3, T + 3}}, m);
        Polyline(canvas,
                 {{R - 6, T + 3}, {R - 3, T + 3}, {R - 3, T + 6}, {R - 4, T + 6}, {R - 4, T + 3}},
                 dark(10));
        Polyline(canvas, {{R - 5, T + 5}, {R - 4, T + 5}, {R - 4, T + 9}}, dark(30));
        Polyline(canvas, {{R - 6, T + 5}, {R - 6, T + 7}}, dark(40));
      }
    } else if (enabled) {
      Rectangle(canvas, L, T + 1, m_flatMenu ? R - 1 : R, B - 1, e.SelectBorderColor,
                &e.SelectColor);
    }
  }

  // Check marks.
  if (checked) {
    const TColor brush = selected ? e.CheckBackSelected : e.CheckBack;
    if (radio) {
      Ellipse(canvas, kl, kt, kr, kb, e.SelectBorderColor, brush, listIcon);
    } else if (listIcon) {
      Rectangle(canvas, kl, kt, kr, kb, e.SelectBorderColor, &brush);
    } else {
      Rectangle(canvas, kl, kt, kr, kb, e.CheckedColor, &brush);
      Line(canvas, kl + 1, kt + 5, kl + 4, kb - 2, platform::clBlack);
      Line(canvas, kl + 2, kt + 5, kl + 4, kb - 3, platform::clBlack);
      Line(canvas, kl + 2, kt + 4, kl + 5, kb - 3, platform::clBlack);
      Line(canvas, kl + 4, kb - 3, kr + 2, kt - 1, platform::clBlack);
      Line(canvas, kl + 4, kb - 2, kr - 2, kt + 3, platform::clBlack);
    }
  }

  // Icon, with its effects.
  if (!icon.isNull()) {
    int top = ct + 4;
    int left;
    if (rtl)
      left = R - icon.width() - 2;
    else if (icon.width() <= m_iconWidth)
      left = cl + (m_iconWidth - icon.width()) / 2 - 1;
    else
      left = cl + 2;
    if (selected && enabled && !checked && !menuBarItem) {
      --left;
      --top;
    }
    if (!selected && enabled && !checked && e.HighColor)
      MapPixels(icon, depth, [](TColor c) { return Lighten(c, 30); });
    if (!enabled) MapPixels(icon, depth, [](TColor c) { return Grey(c, 90); });
    if (selected && enabled && !checked) {
      const TColor shadow = NearestColor(Darken(e.SelectColor, 50), depth);
      const QRgb corner = icon.pixel(0, icon.height() - 1);
      for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x)
          if (icon.pixel(x, y) != corner) Pixel(canvas, left + 2 + x, top + 2 + y, shadow);
    }
    DrawTransparent(canvas, left, top, icon);
  }

  if (separator) {
    const int y = T + RoundHalfEven((B - T) / 2.0);
    if (rtl)
      Line(canvas, tl, y, tr - 7, y, e.SeparatorColor);
    else
      Line(canvas, tl + 7, y, tr, y, e.SeparatorColor);
  } else {
    // Text.
    TColor color = e.FontColor;
    if (selected) color = e.SelectFontColor;
    if (!enabled) color = e.DisabledColor;
    if (selected && menuBarItem)
      color = NearestColor(ContrastColor(e.IconBackColor, e.FontColor), depth);
    QRect text(QPoint(rtl ? tl : tl + 5, tt), QPoint(rtl ? tr - 5 - 1 : tr - 1, tb - 1));
    text.setTop(text.top() + (text.height() - fm.height()) / 2);
    QString caption = item->text();
    QString shortcut;
    if (const qsizetype tab = caption.indexOf(QLatin1Char('\t')); tab != -1) {
      shortcut = caption.mid(tab + 1);
      caption = caption.left(tab);
    } else if (!item->shortcut().isEmpty()) {
      shortcut = item->shortcut().toString(QKeySequence::NativeText);
    }
    const int align = (rtl ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop | Qt::TextSingleLine |
                      Qt::TextShowMnemonic;
    const QString shown = QStringLiteral(" ") + caption;
    if (isDefault && enabled) {
      // A soft outline under the default item's text.
      const int x = text.left(), y = text.top();
      const struct { int dx, dy, d; } copies[] = {{1, 0, 30}, {1, 2, 30}, {0, 1, 40}, {1, 1, 60}};
      for (const auto& copy : copies) {
        const TColor under = PixelUnder(canvas, x + copy.dx, y + copy.dy, e.Color);
        canvas.setPen(ToQColor(NearestColor(Darken(under, copy.d), depth)));
        canvas.drawText(text.translated(copy.dx, copy.dy), align, shown);
      }
    }
    canvas.setPen(ToQColor(color));
    canvas.drawText(text, align, shown);
    if (!shortcut.isEmpty()) {
      const TColor shortcutColor = e.HighColor ? NearestColor(Darken(color, -40), depth) : color;
      canvas.setPen(ToQColor(shortcutColor));
      QRect right = text;
      int shortcutAlign = Qt::AlignTop | Qt::TextSingleLine;
      if (rtl) {
        right.setLeft(text.left() + 10);
        shortcutAlign |= Qt::AlignLeft;
      } else {
        right.setRight(text.right() - 10);
        shortcutAlign |= Qt::AlignRight;
      }
      canvas.drawText(right, shortcutAlign, shortcut + QStringLiteral(" "));
    }
    // A sub-menu shows its arrow.
    if (item->menu() && !menuBarItem) {
      QStyleOption arrow;
      arrow.rect = QRect(rtl ? L + 4 : R - 12, T + (B - T - 8) / 2, 8, 8);
      arrow.palette.setColor(QPalette::ButtonText, ToQColor(color));
      arrow.palette.setColor(QPalette::WindowText, ToQColor(color));
      arrow.state = QStyle::State_Enabled;
      const QWidget* owner = m_owner;
      owner->style()->drawPrimitive(
          rtl ? QStyle::PE_IndicatorArrowLeft : QStyle::PE_IndicatorArrowRight, &arrow, &canvas,
          nullptr);
    }
  }

  // Items added to the same menu since it was hooked get the handlers too.
  for (QObject* o : item->associatedObjects())
    if (auto* menu = qobject_cast<QWidget*>(o); menu && menu->style() == m_style.get())
      for (QAction* sibling : menu->actions()) HookItem(sibling, true);
}

void TXPMenu::DrawMenuBackground(QPainter& canvas, const QRect& rect) {
  const TXPMenuColors e = EffectiveColors(canvas.device() ? canvas.device()->depth() : 32);
  canvas.fillRect(rect, ToQColor(e.Color));
}

void TXPMenu::DrawMenuBarBackground(QPainter& canvas, const QRect& rect) {
  const TXPMenuColors e = EffectiveColors(canvas.device() ? canvas.device()->depth() : 32);
  canvas.fillRect(rect, ToQColor(e.MenuBarColor));
}

void TXPMenu::DrawMenuFrame(QPainter& canvas, const QRect& windowRect, const QWidget* menu) {
  const TXPMenuColors e = EffectiveColors(canvas.device() ? canvas.device()->depth() : 32);
  const int L = windowRect.left(), T = windowRect.top(), R = L + windowRect.width(),
            B = T + windowRect.height();
  const bool rtl = menu && menu->layoutDirection() == Qt::RightToLeft;
  canvas.save();
  canvas.setRenderHint(QPainter::Antialiasing, false);
  // The frame band in the menu's colours, the icon column running through it.
  FillRect(canvas, L, T, R, B, e.Color);
  if (rtl)
    FillRect(canvas, R - 3 - m_iconWidth, T, R, B, e.IconBackColor);
  else
    FillRect(canvas, L, T, L + 3 + m_iconWidth, B, e.IconBackColor);
  if (!m_flatMenu) {
    // A raised two-pixel border.
    const QPalette palette = m_owner->palette();
    const TColor face = ResolveColor(platform::clBtnFace, palette),
                 light = ResolveColor(platform::clBtnHighlight, palette),
                 shadow = ResolveColor(platform::clBtnShadow, palette);
    const QColor dark = palette.color(QPalette::Active, QPalette::Shadow);
    FillRect(canvas, L, T, R - 1, T + 1, face);
    FillRect(canvas, L, T, L + 1, B - 1, face);
    FillRect(canvas, L + 1, T + 1, R - 2, T + 2, light);
    FillRect(canvas, L + 1, T + 1, L + 2, B - 2, light);
    FillRect(canvas, L + 1, B - 2, R - 1, B - 1, shadow);
    FillRect(canvas, R - 2, T + 1, R - 1, B - 1, shadow);
    canvas.fillRect(QRect(L, B - 1, R - L, 1), dark);
    canvas.fillRect(QRect(R - 1, T, 1, B - T), dark);
    canvas.restore();
    return;
  }
  Rectangle(canvas, L, T, R - 2, B - 2, e.Frame, nullptr);
  if (!rtl) {
    if (!m_gradient) {
      Rectangle(canvas, L + 1, T + 1, R - 4, T + 3, e.Color, nullptr);
      Line(canvas, L + 1, T + 2, L + m_iconWidth + 2, T + 2, e.IconBackColor);
    }
    Line(canvas, L + 1, T + 1, L + 1, B - 4, e.IconBackColor);
  } else {
    Rectangle(canvas, L + 1, T + 1, R - 4, T + 3, e.Color, nullptr);
    Line(canvas, L + 2, T + 2, L + 2, B - 4, e.Color);
    Line(canvas, R - 4, T + 2, R - 4, B - 4, e.IconBackColor);
    Line(canvas, R - 4, T + 2, R - m_iconWidth - 3, T + 2, e.IconBackColor);
  }
  FillRect(canvas, L + 2, B - 2, R, B, e.Shadow);
  FillRect(canvas, R - 2, T + 2, R, B, e.Shadow);
  FillRect(canvas, L, B - 2, L + 2, B, e.IconBackColor);
  FillRect(canvas, R - 2, T, R, T + 2, e.IconBackColor);
  canvas.restore();
}

}  // namespace kvn::menus
