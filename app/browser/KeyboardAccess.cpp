#include "KeyboardAccess.h"

#include <QAbstractItemView>
#include <QAction>
#include <QContextMenuEvent>

namespace veilcraft {

void addShortcuts(QWidget* target, std::initializer_list<std::pair<QAction*, QKeySequence>> keys)
{
    for (const auto& [action, key] : keys) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        target->addAction(action);
    }
}

bool isKeyboardPopup(const QEvent* event)
{
    return event->type() == QEvent::ContextMenu &&
           static_cast<const QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard;
}

QPoint keyboardPopupPosition(const QAbstractItemView* view)
{
    const QRect item = view->visualRect(view->currentIndex());
    const QPoint corner = item.isValid() ? item.bottomLeft() + QPoint(item.height(), 0) : QPoint(0, 0);
    return view->viewport()->mapToGlobal(corner);
}

} // namespace veilcraft
