#include "menus/menu_item_events.h"

#include <QAction>

namespace kvn::menus {

namespace {

// Lives as a child of its QAction, so it goes with it.
class ItemEvents : public QObject {
 public:
  explicit ItemEvents(QAction* item) : QObject(item) { setObjectName(kName); }
  static constexpr const char* kName = "kvn_menu_item_events";

  TMenuDrawItemEvent draw;
  TMenuMeasureItemEvent measure;
  const void* drawTag = nullptr;
  const void* measureTag = nullptr;
  QImage bitmap;
};

ItemEvents* Find(const QAction* item) {
  if (!item) return nullptr;
  return dynamic_cast<ItemEvents*>(
      item->findChild<QObject*>(ItemEvents::kName, Qt::FindDirectChildrenOnly));
}

ItemEvents& Get(QAction* item) {
  if (ItemEvents* e = Find(item)) return *e;
  return *new ItemEvents(item);
}

}  // namespace

void SetOnDrawItem(QAction* item, TMenuDrawItemEvent handler, const void* tag) {
  ItemEvents& e = Get(item);
  e.drawTag = handler ? tag : nullptr;
  e.draw = std::move(handler);
}

void SetOnMeasureItem(QAction* item, TMenuMeasureItemEvent handler, const void* tag) {
  ItemEvents& e = Get(item);
  e.measureTag = handler ? tag : nullptr;
  e.measure = std::move(handler);
}

const TMenuDrawItemEvent* OnDrawItem(const QAction* item) {
  const ItemEvents* e = Find(item);
  return e && e->draw ? &e->draw : nullptr;
}

const TMenuMeasureItemEvent* OnMeasureItem(const QAction* item) {
  const ItemEvents* e = Find(item);
  return e && e->measure ? &e->measure : nullptr;
}

const void* OnDrawItemTag(const QAction* item) {
  const ItemEvents* e = Find(item);
  return e ? e->drawTag : nullptr;
}

const void* OnMeasureItemTag(const QAction* item) {
  const ItemEvents* e = Find(item);
  return e ? e->measureTag : nullptr;
}

void SetMenuItemBitmap(QAction* item, const QImage& bitmap) {
  Get(item).bitmap = bitmap;
}

QImage MenuItemBitmap(const QAction* item) {
  const ItemEvents* e = Find(item);
  return e ? e->bitmap : QImage();
}

}  // namespace kvn::menus
