#include "usecontextmenu.h"

#include <QApplication>
#include <QMenu>
#include <QTimer>

bool useContextMenu(QWidget& widget, const QPoint& point, const std::function<void(QMenu*)>& whileOpen,
                    QContextMenuEvent::Reason reason)
{
    // The menu runs its own loop inside the event; the work happens from a timer in there.
    bool opened = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || opened)
            return;
        opened = true;
        if (whileOpen)
            whileOpen(menu);
        if (menu->isVisible())
            menu->close();
    });
    poll.start(10);
    QContextMenuEvent event(reason, point, widget.mapToGlobal(point));
    QApplication::sendEvent(&widget, &event);
    return opened;
}
