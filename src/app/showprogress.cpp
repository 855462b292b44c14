#include "showprogress.h"

#include "repaintbatch.h"

#include <QPaintEvent>
#include <QPainter>

namespace {

constexpr int PerMille = 1000;

} // namespace

ShowProgress::ShowProgress(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ShowProgress::setValue(int value)
{
    value = qBound(0, value, PerMille);
    const int before = filledWidth(perMille);
    perMille = value;
    const int after = filledWidth(value);
    // A minute's file moves the bar a column at a time: only that column is drawn again.
    if (after != before)
        RepaintBatch::update(this, QRect(qMin(before, after), 0, qAbs(after - before), height()));
}

int ShowProgress::filledWidth(int value) const
{
    return int(qint64(width()) * value / PerMille);
}

QSize ShowProgress::sizeHint() const
{
    return {PerMille / 10, fontMetrics().height() / 2};
}

QSize ShowProgress::minimumSizeHint() const
{
    return {1, fontMetrics().height() / 2};
}

void ShowProgress::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const int filled = filledWidth(perMille);
    const QRect done(0, 0, filled, height());
    const QRect ahead(filled, 0, width() - filled, height());
    painter.fillRect(done & event->rect(), palette().color(QPalette::Highlight));
    painter.fillRect(ahead & event->rect(), palette().color(QPalette::Mid));
}
