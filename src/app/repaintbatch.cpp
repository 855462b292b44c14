#include "repaintbatch.h"

#include <QWidget>

#include <utility>

namespace {

// The batch open on the GUI thread, if any; batches nest.
RepaintBatch* current = nullptr;

} // namespace

RepaintBatch::RepaintBatch(QWidget* batchWindow) : window(batchWindow), outer(std::exchange(current, this)) {}

RepaintBatch::~RepaintBatch()
{
    current = outer;
    if (asked.isEmpty() || !window)
        return;
    if (outer && outer->window == window)
        outer->asked += asked;
    else
        window->repaint(asked);
}

void RepaintBatch::update(QWidget* widget, const QRegion& area)
{
    RepaintBatch* batch = current;
    // As QWidget::update() does: nothing for a widget that is not drawn.
    if (!batch || !batch->window || widget->window() != batch->window || !widget->isVisible() ||
        !widget->updatesEnabled()) {
        widget->update(area);
        return;
    }
    batch->asked += (area & widget->rect()).translated(widget->mapTo(batch->window, QPoint()));
}

void RepaintBatch::update(QWidget* widget)
{
    update(widget, widget->rect());
}
