// The flat menu component of a window: while active it makes the window's menu
// bar, its drop-down menus and its pop-up menus owner-drawn and paints every
// item itself — light items, a darker icon column, a bordered selection
// rectangle, raised menu-bar items, softened icons, and optionally a gradient
// and flat window borders.
//
// Owner drawing on Qt: a menu (QMenu or QMenuBar) is owner-drawn when its style
// is the component's TXPMenuStyle; that style asks each item's callbacks
// (menu_item_events.h) to measure and paint it, and paints the menu's own
// background and frame. Hooking an item installs the component's callbacks.
#pragma once

#include <QAction>
#include <QFont>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <memory>
#include <vector>

#include "menus/menu_colors.h"

class QMenu;
class QPainter;
class QPalette;
class QWidget;

namespace kvn::menus {

class TXPMenuStyle;

// A font with its colour (the colour may be a system colour).
struct TMenuFont {
  QFont Font;
  TColor Color = platform::clMenuText;
};

// The red-green-blue value of a colour; system colours come from the palette
// by role: button face = Button, button shadow = Dark, button highlight =
// Light, highlight = Highlight, highlight text = HighlightedText, menu =
// Window, menu text = WindowText, window = Base, window text = Text, button
// text = ButtonText, grey text and inactive caption = the disabled text colour.
TColor ResolveColor(TColor color, const QPalette& palette);

// The colours in force while one item is drawn, each already the nearest the
// drawing surface can show.
struct TXPMenuColors {
  bool HighColor = true;  // the surface has more than 15 bits per pixel
  TColor Color = 0, IconBackColor = 0, SelectColor = 0, SelectBorderColor = 0, SelectFontColor = 0,
         MenuBarColor = 0, DisabledColor = 0, CheckedColor = 0, SeparatorColor = 0;
  TColor CheckBack = 0, CheckBackSelected = 0, Frame = 0, Shadow = 0;
  TColor FontColor = 0;  // the colour of Font
};

class TXPMenu : public QObject {
 public:
  // `owner` is the window whose menus are drawn; the component is its child.
  explicit TXPMenu(QWidget* owner);
  ~TXPMenu() override;

  // Published properties, with their defaults.
  const TMenuFont& Font() const { return m_font; }  // the system menu font
  void SetFont(const TMenuFont& font);
  TColor Color() const { return m_color; }  // button face
  void SetColor(TColor c) { m_color = c; }
  TColor IconBackColor() const { return m_iconBackColor; }  // button face
  void SetIconBackColor(TColor c) { m_iconBackColor = c; }
  TColor MenuBarColor() const { return m_menuBarColor; }  // button face
  void SetMenuBarColor(TColor c);
  TColor SelectColor() const { return m_selectColor; }  // highlight
  void SetSelectColor(TColor c) { m_selectColor = c; }
  TColor SelectBorderColor() const { return m_selectBorderColor; }  // highlight
  void SetSelectBorderColor(TColor c) { m_selectBorderColor = c; }
  TColor SelectFontColor() const { return m_selectFontColor; }  // the colour of Font
  void SetSelectFontColor(TColor c) { m_selectFontColor = c; }
  TColor DisabledColor() const { return m_disabledColor; }  // inactive caption
  void SetDisabledColor(TColor c) { m_disabledColor = c; }
  TColor SeparatorColor() const { return m_separatorColor; }  // button face
  void SetSeparatorColor(TColor c) { m_separatorColor = c; }
  TColor CheckedColor() const { return m_checkedColor; }  // highlight
  void SetCheckedColor(TColor c) { m_checkedColor = c; }
  int IconWidth() const { return m_iconWidth; }  // 24
  void SetIconWidth(int w) { m_iconWidth = w; }
  bool DrawSelect() const { return m_drawSelect; }  // true
  void SetDrawSelect(bool b) { m_drawSelect = b; }
  bool UseSystemColors() const { return m_useSystemColors; }  // true
  void SetUseSystemColors(bool b);
  bool OverrideOwnerDraw() const { return m_overrideOwnerDraw; }  // false
  void SetOverrideOwnerDraw(bool b);
  bool Gradient() const { return m_gradient; }  // false
  void SetGradient(bool b) { m_gradient = b; }
  bool FlatMenu() const { return m_flatMenu; }  // false
  void SetFlatMenu(bool b) { m_flatMenu = b; }
  bool AutoDetect() const { return m_autoDetect; }  // false
  void SetAutoDetect(bool b);
  bool Active() const { return m_active; }  // false
  // True: unhooks everything, hooks everything; false: unhooks everything.
  // Both redraw the menu bar.
  void SetActive(bool b);

  // The owner-drawing callbacks the component installs on the items it hooks.
  // Both do nothing while the component is inactive.
  void MeasureItem(QAction* item, int& width, int& height);
  void DrawItem(QAction* item, QPainter& canvas, const QRect& rect, bool selected);

  // The platform's menu font in the menu-text colour ("MS Sans Serif" becomes
  // "Tahoma").
  static TMenuFont SystemMenuFont();
  // The colours for drawing on a surface of `depth` bits per pixel. With
  // UseSystemColors set this also resets Font to the system menu font.
  TXPMenuColors EffectiveColors(int depth);

  QWidget* Owner() const { return m_owner; }
  // The owner-drawing style the component gives its menus.
  TXPMenuStyle* Style() const { return m_style.get(); }

  // Used by the style: the background of a pop-up menu outside its items, its
  // frame (flat or raised), and the menu bar outside its items.
  void DrawMenuBackground(QPainter& canvas, const QRect& rect);
  void DrawMenuFrame(QPainter& canvas, const QRect& windowRect, const QWidget* menu);
  void DrawMenuBarBackground(QPainter& canvas, const QRect& rect);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Every menu bar and menu the owner holds, drop-down menus included.
  std::vector<QWidget*> OwnedMenus() const;
  // The owner and its menus report added menus, items and tool buttons.
  void WatchMenus();
  void Hook(bool enable);
  void HookMenu(QWidget* menu, bool enable);
  void HookItem(QAction* item, bool enable);
  // The menus re-measure their items and repaint.
  void RedrawMenus();
  bool IsMenuBarItem(const QAction* item) const;
  // Runs once from the event loop after menus, items or tool buttons are added.
  void ScheduleDetection();
  void Detect();
  TMenuFont CurrentFont() const;

  QWidget* m_owner;
  std::unique_ptr<TXPMenuStyle> m_style;
  std::vector<QPointer<QWidget>> m_ownerDrawn;  // menus given the style
  std::vector<QPointer<QAction>> m_hookedItems;
  bool m_detectionPending = false;

  TMenuFont m_font;
  TColor m_color = platform::clBtnFace, m_iconBackColor = platform::clBtnFace,
         m_menuBarColor = platform::clBtnFace, m_selectColor = platform::clHighlight,
         m_selectBorderColor = platform::clHighlight, m_selectFontColor = platform::clMenuText,
         m_disabledColor = platform::clInactiveCaption, m_separatorColor = platform::clBtnFace,
         m_checkedColor = platform::clHighlight;
  int m_iconWidth = 24;
  bool m_drawSelect = true, m_useSystemColors = true, m_overrideOwnerDraw = false,
       m_gradient = false, m_flatMenu = false, m_autoDetect = false, m_active = false;
};

}  // namespace kvn::menus
