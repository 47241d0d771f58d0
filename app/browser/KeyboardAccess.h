#pragma once

#include <QKeySequence>
#include <QPoint>

#include <initializer_list>
#include <utility>

class QAbstractItemView;
class QAction;
class QEvent;
class QWidget;

namespace veilcraft {

// Gives the pop-up menus' commands their keys while the focus is inside
// `target` (the menus show the keys beside the captions).
void addShortcuts(QWidget* target, std::initializer_list<std::pair<QAction*, QKeySequence>> keys);

// Whether `event` asks for a pop-up menu from the keyboard (the menu key or
// Shift+F10); a mouse's pop-up comes with the button's release instead.
[[nodiscard]] bool isKeyboardPopup(const QEvent* event);

// Where such a pop-up opens: beside the current item of `view`, or at its
// top-left corner when there is none, in screen coordinates.
[[nodiscard]] QPoint keyboardPopupPosition(const QAbstractItemView* view);

} // namespace veilcraft
