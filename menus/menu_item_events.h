// The owner-drawing callbacks of a menu item, kept with the QAction: who
// measures the item and who paints it, and the item's own bitmap. Menus and
// menu bars whose style is an owner-drawing style ask these instead of
// drawing the item themselves.
#pragma once

#include <QImage>
#include <QRect>
#include <functional>

class QAction;
class QPainter;

namespace kvn::menus {

// Paints the item into `rect` of the menu; `selected` when it is highlighted.
using TMenuDrawItemEvent =
    std::function<void(QAction* item, QPainter& canvas, const QRect& rect, bool selected)>;
// Sets the item's size; width and height start at 0.
using TMenuMeasureItemEvent = std::function<void(QAction* item, int& width, int& height)>;

// A callback is installed together with a tag naming who installed it, so that
// a component removes only its own. An empty function removes the callback.
void SetOnDrawItem(QAction* item, TMenuDrawItemEvent handler, const void* tag = nullptr);
void SetOnMeasureItem(QAction* item, TMenuMeasureItemEvent handler, const void* tag = nullptr);
// nullptr when the item has none.
const TMenuDrawItemEvent* OnDrawItem(const QAction* item);
const TMenuMeasureItemEvent* OnMeasureItem(const QAction* item);
const void* OnDrawItemTag(const QAction* item);
const void* OnMeasureItemTag(const QAction* item);

// The item's own picture, drawn in place of an icon when the item has no icon.
void SetMenuItemBitmap(QAction* item, const QImage& bitmap);
QImage MenuItemBitmap(const QAction* item);

}  // namespace kvn::menus
