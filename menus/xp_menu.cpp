#include "menus/xp_menu.h"

#include <QAction>
#include <QActionEvent>
#include <QApplication>
#include <QChildEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "menus/menu_item_events.h"
#include "menus/xp_menu_style.h"
#include "qt_support/conversions.h"

namespace kvn::menus {

TColor ResolveColor(TColor color, const QPalette& palette) {
  if (color < platform::kSystemColorBase) return color & 0xFFFFFF;
  const auto rgb = [](const QColor& c) { return qt::FromQColor(c); };
  switch (color - platform::kSystemColorBase) {
    case 3:
    case 17:
      return rgb(palette.color(QPalette::Disabled, QPalette::WindowText));
    case 4:
      return rgb(palette.color(QPalette::Active, QPalette::Window));
    case 5:
      return rgb(palette.color(QPalette::Active, QPalette::Base));
    case 7:
      return rgb(palette.color(QPalette::Active, QPalette::WindowText));
    case 8:
      return rgb(palette.color(QPalette::Active, QPalette::Text));
    case 13:
      return rgb(palette.color(QPalette::Active, QPalette::Highlight));
    case 14:
      return rgb(palette.color(QPalette::Active, QPalette::HighlightedText));
    case 15:
      return rgb(palette.color(QPalette::Active, QPalette::Button));
    case 16:
      return rgb(palette.color(QPalette::Active, QPalette::Dark));
    case 18:
      return rgb(palette.color(QPalette::Active, QPalette::ButtonText));
    case 20:
      return rgb(palette.color(QPalette::Active, QPalette::Light));
    default:
      return platform::ColorToRGB(color);
  }
}

TXPMenu::TXPMenu(QWidget* owner)
    : QObject(owner), m_owner(owner), m_style(std::make_unique<TXPMenuStyle>(this)) {
  Q_ASSERT(owner && owner->isWindow());
  m_font = SystemMenuFont();
  m_selectFontColor = m_font.Color;
  WatchMenus();
  if (m_active) SetActive(true);
}

TXPMenu::~TXPMenu() {
  // Items and menus must not keep callbacks and a style that go with the
  // component. The window may be deleting its children: only what is known
  // to be alive is touched.
  for (const QPointer<QAction>& item : m_hookedItems)
    if (item) HookItem(item, false);
  for (const QPointer<QWidget>& menu : m_ownerDrawn)
    if (menu && menu->style() == m_style.get()) menu->setStyle(nullptr);
}

TMenuFont TXPMenu::SystemMenuFont() {
  TMenuFont font;
  font.Font = QApplication::font("QMenu");
  if (font.Font.family() == QLatin1String("MS Sans Serif"))
    font.Font.setFamily(QStringLiteral("Tahoma"));
  font.Color = platform::clMenuText;
  return font;
}

TMenuFont TXPMenu::CurrentFont() const {
  return m_useSystemColors ? SystemMenuFont() : m_font;
}

void TXPMenu::SetFont(const TMenuFont& font) {
  m_font = font;
  RedrawMenus();
}

void TXPMenu::SetMenuBarColor(TColor c) {
  m_menuBarColor = c;
  RedrawMenus();
}

void TXPMenu::SetUseSystemColors(bool b) {
  m_useSystemColors = b;
  RedrawMenus();
}

void TXPMenu::SetOverrideOwnerDraw(bool b) {
  m_overrideOwnerDraw = b;
  if (m_active) {
    Hook(false);
    Hook(true);
  }
}

void TXPMenu::SetActive(bool b) {
  m_active = b;
  // Hooking again leaves hooked menus as they are and only adds what is new:
  // giving an open menu its style again would close it.
  Hook(b);
  RedrawMenus();
}

TXPMenuColors TXPMenu::EffectiveColors(int depth) {
  const QPalette palette = m_owner->palette();
  auto resolve = [&](TColor c) { return ResolveColor(c, palette); };
  const TColor buttonFace = resolve(platform::clBtnFace),
               highlight = resolve(platform::clHighlight),
               buttonShadow = resolve(platform::clBtnShadow);
  TXPMenuColors e;
  e.HighColor = depth > 15;
  e.Color = resolve(m_color);
  e.IconBackColor = resolve(m_iconBackColor);
  e.SelectColor = resolve(m_selectColor);
  e.SelectBorderColor = resolve(m_selectBorderColor);
  e.SelectFontColor = resolve(m_selectFontColor);
  e.MenuBarColor = resolve(m_menuBarColor);
  e.DisabledColor = resolve(m_disabledColor);
  e.CheckedColor = resolve(m_checkedColor);
  e.SeparatorColor = resolve(m_separatorColor);
  if (e.HighColor) {
    e.CheckBack = Lighten(e.SelectColor, 75);
    e.CheckBackSelected = Lighten(e.SelectColor, 50);
    e.Frame = Darken(buttonFace, 90);
    e.Shadow = Darken(buttonFace, 76);
  } else {
    e.CheckBack = platform::clWhite;
    e.CheckBackSelected = platform::clSilver;
    e.Frame = e.Shadow = buttonShadow;
  }
  if (m_useSystemColors) {
    m_font = SystemMenuFont();
    e.SelectFontColor = resolve(m_font.Color);
    if (e.HighColor) {
      e.Color = Lighten(buttonFace, 86);
      e.IconBackColor = Lighten(buttonFace, 16);
      e.SelectColor = Lighten(highlight, 68);
      e.SelectBorderColor = highlight;
      e.MenuBarColor = resolve(platform::clMenu);
      e.DisabledColor = Lighten(buttonShadow, 10);
      e.SeparatorColor = Lighten(buttonShadow, 25);
      e.CheckedColor = highlight;
      e.CheckBack = Lighten(highlight, 75);
      e.CheckBackSelected = Lighten(highlight, 50);
    } else {
      e.Color = platform::clWhite;
      e.IconBackColor = buttonFace;
      e.SelectColor = platform::clWhite;
      e.SelectBorderColor = highlight;
      e.MenuBarColor = buttonFace;
      e.DisabledColor = buttonShadow;
      e.CheckedColor = highlight;
      e.SeparatorColor = buttonShadow;
      e.CheckBack = e.CheckBackSelected = platform::clWhite;
    }
  }
  e.FontColor = resolve(m_font.Color);
  for (TColor* c :
       {&e.Color, &e.IconBackColor, &e.SelectColor, &e.SelectBorderColor, &e.SelectFontColor,
        &e.MenuBarColor, &e.DisabledColor, &e.CheckedColor, &e.SeparatorColor, &e.CheckBack,
        &e.CheckBackSelected, &e.Frame, &e.Shadow, &e.FontColor})
    *c = NearestColor(*c, depth);
  return e;
}

bool TXPMenu::IsMenuBarItem(const QAction* item) const {
  for (QObject* o : item->associatedObjects())
    if (auto* bar = qobject_cast<QMenuBar*>(o); bar && bar->window() == m_owner) return true;
  return false;
}

void TXPMenu::MeasureItem(QAction* item, int& width, int& height) {
  if (!m_active) return;
  const bool separator = item->isSeparator() || item->text() == QLatin1String("-");
  QString text = separator ? QString() : item->text();
  QString shortcut;
  if (const qsizetype tab = text.indexOf(QLatin1Char('\t')); tab != -1) {
    shortcut = text.mid(tab + 1);
    text = text.left(tab);
  } else if (!item->shortcut().isEmpty()) {
    shortcut = item->shortcut().toString(QKeySequence::NativeText);
  }
  if (!shortcut.isEmpty()) text += shortcut + QStringLiteral("WWW");
  const QFontMetrics fm(CurrentFont().Font);
  int textWidth = fm.horizontalAdvance(text);
  if (text.contains(QLatin1Char('&'))) textWidth -= fm.horizontalAdvance(QLatin1Char('&'));
  QSize icon(0, 0);
  if (!item->icon().isNull())
    icon = QSize(16, 16);
  else if (const QImage bitmap = MenuItemBitmap(item); !bitmap.isNull())
    icon = bitmap.size();
  int w = icon.width();
  const int h = icon.height();
  if (!IsMenuBarItem(item)) w = std::max(w, m_iconWidth);
  width = std::max(width, textWidth + w + 10);
  if (separator) {
    height = 4;
  } else {
    const int th = fm.height();
    height = std::max(height, std::max(th + RoundHalfEven(th * 0.75), h + 4));
  }
}

std::vector<QWidget*> TXPMenu::OwnedMenus() const {
  // The owner's own menus: those of its window, not those inside other windows
  // it owns (a dialog's menus, the month menu of a calendar pop-up).
  const QWidget* window = m_owner->window();
  std::vector<QWidget*> menus;
  for (QMenuBar* bar : m_owner->findChildren<QMenuBar*>())
    if (bar->window() == window) menus.push_back(bar);
  for (QMenu* menu : m_owner->findChildren<QMenu*>())
    if (const QWidget* parent = menu->parentWidget(); !parent || parent->window() == window)
      menus.push_back(menu);
  return menus;
}

void TXPMenu::SetAutoDetect(bool b) {
  m_autoDetect = b;
  WatchMenus();
}

void TXPMenu::WatchMenus() {
  m_owner->installEventFilter(this);
  for (QWidget* menu : OwnedMenus()) menu->installEventFilter(this);
}

void TXPMenu::Hook(bool enable) {
  for (QWidget* menu : OwnedMenus()) {
    if (menu->actions().isEmpty()) continue;
    HookMenu(menu, enable);
    for (QAction* item : menu->actions()) HookItem(item, enable);
  }
}

// Owner drawing of the menu itself: its style and the watch for new items.
void TXPMenu::HookMenu(QWidget* menu, bool enable) {
  if (enable) {
    if (menu->style() != m_style.get()) {
      menu->setStyle(m_style.get());
      if (std::find(m_ownerDrawn.begin(), m_ownerDrawn.end(), menu) == m_ownerDrawn.end())
        m_ownerDrawn.emplace_back(menu);
    }
    menu->installEventFilter(this);
  } else if (menu->style() == m_style.get()) {
    menu->setStyle(nullptr);
  }
}

void TXPMenu::HookItem(QAction* item, bool enable) {
  if (enable) {
    if (std::find(m_hookedItems.begin(), m_hookedItems.end(), item) == m_hookedItems.end()) {
      std::erase_if(m_hookedItems, [](const QPointer<QAction>& a) { return a.isNull(); });
      m_hookedItems.emplace_back(item);
    }
    if (!OnDrawItem(item) || m_overrideOwnerDraw)
      SetOnDrawItem(
          item, [this](QAction* a, QPainter& c, const QRect& r, bool s) { DrawItem(a, c, r, s); },
          this);
    if (!OnMeasureItem(item) || m_overrideOwnerDraw)
      SetOnMeasureItem(
          item, [this](QAction* a, int& w, int& h) { MeasureItem(a, w, h); }, this);
    // The shortcut is part of the measured width in every kind of menu.
    item->setShortcutVisibleInContextMenu(true);
  } else {
    if (OnDrawItemTag(item) == this) SetOnDrawItem(item, {});
    if (OnMeasureItemTag(item) == this) SetOnMeasureItem(item, {});
  }
  if (QMenu* sub = item->menu(); sub && !sub->actions().isEmpty()) {
    HookMenu(sub, enable);
    for (QAction* child : sub->actions()) HookItem(child, enable);
  }
}

void TXPMenu::RedrawMenus() {
  for (QWidget* menu : OwnedMenus()) {
    // A style change makes a menu measure its items again.
    QEvent change(QEvent::StyleChange);
    QCoreApplication::sendEvent(menu, &change);
    menu->updateGeometry();
    menu->update();
  }
}

void TXPMenu::ScheduleDetection() {
  if (m_detectionPending) return;
  m_detectionPending = true;
  QTimer::singleShot(0, this, [this] { Detect(); });
}

void TXPMenu::Detect() {
  m_detectionPending = false;
  if (!m_autoDetect) return;
  // Already active: only what is new is hooked; redrawing every menu would
  // close the one the user has open.
  if (m_active)
    Hook(true);
  else
    SetActive(true);
}

bool TXPMenu::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ActionAdded: {
      // An item added to a menu drawn by the component is drawn by it too.
      auto* added = static_cast<QActionEvent*>(event)->action();
      if (m_active && watched != m_owner &&
          qobject_cast<QWidget*>(watched)->style() == m_style.get())
        HookItem(added, true);
      if (m_autoDetect) ScheduleDetection();
      break;
    }
    case QEvent::ChildAdded: {
      // The new child is not built yet: whether it is a menu, an item or a
      // tool button is looked at from the event loop. New menus are watched
      // for their items.
      QPointer<QObject> child = static_cast<QChildEvent*>(event)->child();
      QTimer::singleShot(0, this, [this, child] {
        if (!child) return;
        const bool menu = qobject_cast<QMenu*>(child) || qobject_cast<QMenuBar*>(child);
        if (menu) static_cast<QWidget*>(child.data())->installEventFilter(this);
        // Already deferred: detected now.
        if (m_autoDetect &&
            (menu || qobject_cast<QAction*>(child) || qobject_cast<QToolButton*>(child)))
          Detect();
      });
      break;
    }
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace kvn::menus
