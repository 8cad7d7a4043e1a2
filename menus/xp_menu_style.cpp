#include "menus/xp_menu_style.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStyleOption>

#include "menus/menu_item_events.h"
#include "menus/xp_menu.h"

namespace kvn::menus {

namespace {

QString CaptionOf(const QString& text) {
  return text.section(QLatin1Char('\t'), 0, 0);
}

// The item a size is asked for: the menu passes the item's text and kind, not
// the item itself.
QAction* ItemForOption(const QWidget* menu, const QStyleOptionMenuItem* option) {
  if (!menu) return nullptr;
  const bool separator = option->menuItemType == QStyleOptionMenuItem::Separator;
  const QString caption = CaptionOf(option->text);
  for (QAction* a : menu->actions()) {
    if (!a->isVisible()) continue;
    if (separator ? a->isSeparator() : (!a->isSeparator() && CaptionOf(a->text()) == caption))
      return a;
  }
  return nullptr;
}

// The width a menu adds to its widest item for the shortcut column, worked
// out as the menu does, so that a measured width can be handed over net of it
// and the menu ends up exactly as wide as its widest measured item.
int ShortcutColumnWidth(const QMenu* menu) {
  const QFontMetrics fm = menu->fontMetrics();
  int width = 0;
  for (const QAction* a : menu->actions()) {
    if (!a->isVisible() || a->isSeparator()) continue;
    const QString text = a->text();
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    if (tab != -1)
      width = std::max(width, fm.horizontalAdvance(text.mid(tab + 1)));
    else if (a->isShortcutVisibleInContextMenu() && !a->shortcut().isEmpty())
      width =
          std::max(width, fm.horizontalAdvance(a->shortcut().toString(QKeySequence::NativeText)));
  }
  return width;
}

bool IsSelected(const QStyleOption* option) {
  return option->state & (QStyle::State_Selected | QStyle::State_Sunken);
}

}  // namespace

TXPMenuStyle::TXPMenuStyle(TXPMenu* component) : m_component(component) {}

int TXPMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                              const QWidget* widget) const {
  switch (metric) {
    case PM_MenuHMargin:
    case PM_MenuVMargin:
    case PM_MenuBarHMargin:
    case PM_MenuBarVMargin:
    case PM_MenuBarItemSpacing:
    case PM_MenuBarPanelWidth:
    case PM_MenuTearoffHeight:
      return 0;
    case PM_MenuPanelWidth:
      return kMenuFrameWidth;
    default:
      return QProxyStyle::pixelMetric(metric, option, widget);
  }
}

QSize TXPMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                     const QSize& size, const QWidget* widget) const {
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  if (item && (type == CT_MenuItem || type == CT_MenuBarItem)) {
    QAction* action = ItemForOption(widget, item);
    if (const TMenuMeasureItemEvent* measure = OnMeasureItem(action)) {
      int width = 0, height = 0;
      (*measure)(action, width, height);
      if (type == CT_MenuBarItem) return QSize(width + kMenuBarItemExtraWidth, height);
      width += kPopupItemExtraWidth;
      if (const auto* menu = qobject_cast<const QMenu*>(widget))
        width = std::max(1, width - ShortcutColumnWidth(menu));
      return QSize(width, height);
    }
  }
  if (type == CT_Menu) return size;
  return QProxyStyle::sizeFromContents(type, option, size, widget);
}

void TXPMenuStyle::drawControl(ControlElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
  switch (element) {
    case CE_MenuItem:
    case CE_MenuBarItem: {
      QAction* action = nullptr;
      if (const auto* menu = qobject_cast<const QMenu*>(widget))
        action = menu->actionAt(option->rect.center());
      else if (const auto* bar = qobject_cast<const QMenuBar*>(widget))
        action = bar->actionAt(option->rect.center());
      if (const TMenuDrawItemEvent* draw = OnDrawItem(action)) {
        painter->save();
        (*draw)(action, *painter, option->rect, IsSelected(option));
        painter->restore();
        return;
      }
      break;
    }
    case CE_MenuEmptyArea:
      m_component->DrawMenuBackground(*painter, option->rect);
      return;
    case CE_MenuBarEmptyArea:
      m_component->DrawMenuBarBackground(*painter, option->rect);
      return;
    default:
      break;
  }
  QProxyStyle::drawControl(element, option, painter, widget);
}

void TXPMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
  switch (element) {
    case PE_PanelMenu:
      m_component->DrawMenuBackground(*painter, option->rect);
      return;
    case PE_FrameMenu:
      m_component->DrawMenuFrame(*painter, option->rect, widget);
      return;
    case PE_PanelMenuBar:
      m_component->DrawMenuBarBackground(*painter, option->rect);
      return;
    default:
      QProxyStyle::drawPrimitive(element, option, painter, widget);
  }
}

}  // namespace kvn::menus
