#include "timecodelcd.h"

#include "repaintbatch.h"
#include "timecodetext.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

TimecodeLcd::TimecodeLcd(QWidget* parent) : QLCDNumber(parent) {}

TimecodeLcd::~TimecodeLcd() = default;

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
        RepaintBatch::update(this);
        return;
    }
    // QLCDNumber right-aligns the text in its cells.
    const int first = digitCount() - int(text.size());
    int changedCells = 0;
    for (int i = 0; i < text.size(); ++i)
        changedCells += text[i] != before[i];
    // A frame changes a digit or two per sender; where many change at once (a locate, many
    // senders), whole cells are fewer rectangles to join and to clip to than their segments.
    const bool segments = changedCells <= MostCellsBySegment && drawsFromImages();
    QRegion changed;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == before[i])
            continue;
        if (segments)
            changed += changedPixels(before[i], text[i]).translated(cellTile(first + i).topLeft());
        else
            changed += cellArea(first + i);
    }
    if (!changed.isEmpty())
        RepaintBatch::update(this, changed);
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

QRect TimecodeLcd::cellTile(int cell) const
{
    // As QLCDNumber places its digits: a cell's tile runs from the middle of the gap before its
    // digit to the middle of the gap after it, so that the tiles of a line meet without
    // overlapping, and a digit (its smoothed edges too) lies inside its own.
    const int digits = digitCount();
    const int segment = qMin(width() * 5 / (digits * 6 + 1), height() * 5 / 12);
    const int advance = segment * 6 / 5;
    const int left = (width() - digits * advance + segment / 5) / 2;
    const int top = (height() - segment * 2) / 2;
    const int margin = segment / 5 + 2;
    return QRect(left + advance * cell - segment / 10, top - margin, advance, 2 * segment + 2 * margin);
}

void TimecodeLcd::paintEvent(QPaintEvent* event)
{
    // The texts the window shows have a cell for each character, on a flat display with no
    // frame, with gaps between the digits wide enough for the tiles; anything else is drawn by
    // QLCDNumber itself.
    if (!drawsFromImages()) {
        QLCDNumber::paintEvent(event);
        return;
    }
    const int digits = digitCount();
    QPainter painter(this);
    const int first = digits - int(shownText.size());
    for (int cell = first; cell < digits; ++cell) {
        const QRect tile = cellTile(cell);
        if (!event->region().intersects(tile))
            continue;
        const QImage& image = cellImage(shownText[cell - first]);
        // Through a clip of many rectangles (a frame's changed segments) Qt blends an image a row
        // of each rectangle at a time, and hands a batch of 96 or more to its thread pool: the
        // window would wait for pool threads woken for a few kilobytes, some 20 times a second. In
        // strips of a few rows a cell stays on the window's own thread.
        for (int y = tile.top(); y <= tile.bottom(); y += StripRows) {
            const QRect strip(tile.left(), y, tile.width(), qMin(StripRows, tile.bottom() + 1 - y));
            if (event->region().intersects(strip))
                painter.drawImage(strip, image, strip.translated(-tile.topLeft()));
        }
    }
}

bool TimecodeLcd::drawsFromImages() const
{
    const int digits = digitCount();
    return frameStyle() == QFrame::NoFrame && shownDigits == digits && shownText.size() <= digits &&
           !shownText.contains(QLatin1Char('.')) && cellTile(0).width() >= SmallestTile;
}

const QImage& TimecodeLcd::cellImage(QChar character)
{
    if (imagesDigits != digitCount()) {
        forgetImages();
        imagesDigits = digitCount();
    }
    auto found = cellImages.constFind(character);
    if (found != cellImages.constEnd())
        return *found;
    // A twin of this display, never shown, with the character in its first cell alone, drawn
    // with its ground as this display's: the image covers its tile as a paint of this one would.
    if (!drawer)
        drawer = std::make_unique<QLCDNumber>();
    drawer->setDigitCount(digitCount());
    drawer->setSegmentStyle(segmentStyle());
    drawer->setFrameStyle(frameStyle());
    drawer->setPalette(palette());
    drawer->resize(size());
    drawer->display(character + QString(digitCount() - 1, QLatin1Char(' ')));
    const QRect tile = cellTile(0);
    const qreal ratio = devicePixelRatioF();
    QImage image(tile.size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    drawer->render(&image, QPoint(), QRegion(tile), QWidget::DrawWindowBackground);
    return *cellImages.insert(character, image);
}

QRegion TimecodeLcd::changedPixels(QChar from, QChar to)
{
    const std::pair<QChar, QChar> key(from, to);
    if (const auto found = changes.constFind(key); found != changes.constEnd())
        return *found;
    // Copies (shared, not duplicated): making the second image may move the first in the hash.
    const QImage before = cellImage(from);
    const QImage after = cellImage(to);
    QRegion changed;
    if (before.devicePixelRatio() != 1.0 || before.size() != after.size()) {
        changed = QRect(QPoint(), cellTile(0).size());
    } else {
        // A rectangle for the differing pixels of each band of rows: a band holds a part of a
        // segment or two, so the rectangles stay few and close to what changed.
        constexpr int Bands = 8;
        const int rows = before.height();
        for (int band = 0; band < Bands; ++band) {
            QRect differing;
            for (int y = rows * band / Bands; y < rows * (band + 1) / Bands; ++y) {
                const auto* a = reinterpret_cast<const quint32*>(before.constScanLine(y));
                const auto* b = reinterpret_cast<const quint32*>(after.constScanLine(y));
                int left = 0;
                int right = before.width() - 1;
                while (left <= right && a[left] == b[left])
                    ++left;
                while (right >= left && a[right] == b[right])
                    --right;
                if (left <= right)
                    differing |= QRect(left, y, right - left + 1, 1);
            }
            changed += differing;
        }
    }
    changes.insert(key, changed);
    return changed;
}

void TimecodeLcd::forgetImages()
{
    cellImages.clear();
    changes.clear();
}

void TimecodeLcd::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        forgetImages();
    QLCDNumber::changeEvent(event);
}

void TimecodeLcd::resizeEvent(QResizeEvent* event)
{
    forgetImages();
    QLCDNumber::resizeEvent(event);
}
