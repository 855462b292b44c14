#pragma once

#include <QContextMenuEvent>
#include <QPoint>

#include <functional>

class QMenu;
class QWidget;

// Opens widget's context menu as a right click at point (widget coordinates) does, or with
// QContextMenuEvent::Keyboard as the keyboard's menu key does, runs whileOpen on the open menu,
// and closes the menu if that left it open. Returns once the menu's own loop has ended: whether a
// menu opened at all.
bool useContextMenu(QWidget& widget, const QPoint& point, const std::function<void(QMenu*)>& whileOpen = {},
                    QContextMenuEvent::Reason reason = QContextMenuEvent::Mouse);
