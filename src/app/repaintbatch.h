#pragma once

#include <QPointer>
#include <QRegion>

class QWidget;

// What the widgets of one display tick ask to have repainted, painted in one go when the tick ends.
// QWidget::update() posts a request to the event loop, and each post wakes the loop through a
// descriptor that it then reads and polls once more: at 30 frames a second that was a tenth of the
// window's thread. Outside a batch, and for a widget of another window, it is update() as usual.
class RepaintBatch
{
public:
    explicit RepaintBatch(QWidget* window);
    // Repaints what was asked for, at once.
    ~RepaintBatch();
    RepaintBatch(const RepaintBatch&) = delete;
    RepaintBatch& operator=(const RepaintBatch&) = delete;

    // What the widgets of the window call instead of QWidget::update().
    static void update(QWidget* widget, const QRegion& area);
    static void update(QWidget* widget);

private:
    QPointer<QWidget> window;
    QRegion asked;
    RepaintBatch* outer;
};
