#include "timecodelcd.h"

#include "timecodetext.h"

TimecodeLcd::TimecodeLcd(QWidget* parent) : QLCDNumber(parent) {}

void TimecodeLcd::display(const QString& text)
{
    const QString before = shownText;
    const bool sameCells = shownDigits == digitCount() && before.size() == text.size();
    // QLCDNumber asks for a repaint of its whole area on every new text; the cells that changed
    // are asked for below instead. An update already blocked from outside stays blocked.
    const bool blocked = testAttribute(Qt::WA_UpdatesDisabled);
    setAttribute(Qt::WA_UpdatesDisabled, true);
    QLCDNumber::display(text);
    setAttribute(Qt::WA_UpdatesDisabled, blocked);
    shownText = text;
    shownDigits = digitCount();

    if (!sameCells || text.size() > digitCount()) {
        update();
        return;
    }
    // QLCDNumber right-aligns the text in its cells.
    const int first = digitCount() - int(text.size());
    QRegion changed;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] != before[i])
            changed += cellArea(first + i);
    }
    if (!changed.isEmpty())
        update(changed);
}

QRect TimecodeLcd::cellArea(int cell) const
{
    // Where QLCDNumber draws the digit in this cell, with a margin for its segment ends.
    const int digits = digitCount();
    const int segmentFromWidth = width() * 5 / (digits * 6 + 1);
    const int segmentFromHeight = height() * 5 / 12;
    const int segment = qMin(segmentFromWidth, segmentFromHeight);
    const int advance = segment * 6 / 5;
    const int left = (width() - digits * advance + segment / 5) / 2;
    const int top = (height() - segment * 2) / 2;
    const int margin = segment / 5 + 2;
    return QRect(left + advance * cell - margin, top - margin, advance + 2 * margin,
                 2 * segment + 2 * margin);
}

void TimecodeLcd::setDimmed(bool dim)
{
    if (dim == dimmed)
        return;
    dimmed = dim;
    if (!dim) {
        // The palette as it was, with what it inherited: a palette that was never set here
        // follows the window's again.
        setPalette(brightPalette);
        return;
    }
    brightPalette = palette();
    QPalette faint = brightPalette;
    // The flat segments are filled with the foreground colour.
    faint.setColor(foregroundRole(), TimecodeText::dimmedColour(brightPalette.color(foregroundRole()),
                                                                brightPalette.color(backgroundRole())));
    setPalette(faint);
}
