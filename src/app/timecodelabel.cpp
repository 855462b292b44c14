#include "timecodelabel.h"

#include "repaintbatch.h"
#include "timecodetext.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

TimecodeLabel::TimecodeLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
}

void TimecodeLabel::setText(const QString& text)
{
    if (text == QLabel::text())
        return;
    const QList<Cell> before = cells();
    const QSize hintBefore = sizeHint();
    const QSize minimumBefore = minimumSizeHint();
    // QLabel asks for a repaint of its whole area on every new text; the cells that changed are
    // asked for below instead. An update already blocked from outside stays blocked.
    const bool blocked = testAttribute(Qt::WA_UpdatesDisabled);
    setAttribute(Qt::WA_UpdatesDisabled, true);
    QLabel::setText(text);
    setAttribute(Qt::WA_UpdatesDisabled, blocked);

    const QRegion changed = changedArea(before, cells());
    if (!changed.isEmpty())
        RepaintBatch::update(this, changed);
    if (sizeHint() != hintBefore || minimumSizeHint() != minimumBefore)
        askForLayout();
}

void TimecodeLabel::askForLayout()
{
    // Held at a fixed size (LayoutBoundary), the label's updateGeometry() tells no one; the
    // holder decides whether the window needs a new layout.
    if (QWidget* holder = parentWidget(); holder && holder->isVisible())
        QCoreApplication::postEvent(holder, new QEvent(QEvent::LayoutRequest));
}

QRegion TimecodeLabel::changedArea(const QList<Cell>& before, const QList<Cell>& after)
{
    // Only a glyph's own pixels change: the rest of its cell is background before and after. At
    // full screen that is about half of each cell less to repaint and to send to the X server.
    const auto ink = [this](const Cell& cell) {
        const Glyph& shape = glyph(cell.character, false);
        return shape.image.isNull()
                   ? QRect()
                   : QRectF(cell.baseline + shape.offset, shape.image.deviceIndependentSize())
                         .toAlignedRect();
    };
    QRegion changed;
    for (qsizetype i = 0; i < qMax(before.size(), after.size()); ++i) {
        const Cell* old = i < before.size() ? &before[i] : nullptr;
        const Cell* now = i < after.size() ? &after[i] : nullptr;
        if (old && now && old->character == now->character && old->baseline == now->baseline &&
            isDimmed(old->line) == isDimmed(now->line))
            continue;
        if (old)
            changed += ink(*old);
        if (now)
            changed += ink(*now);
    }
    return changed;
}

void TimecodeLabel::setDimmedLines(const QList<bool>& lines)
{
    if (lines == dimmed)
        return;
    QList<int> toggled;
    for (int line = 0; line < qMax(lines.size(), dimmed.size()); ++line) {
        if (lines.value(line, false) != dimmed.value(line, false))
            toggled.append(line);
    }
    dimmed = lines;
    const QRegion area = linesArea(toggled);
    if (!area.isEmpty())
        RepaintBatch::update(this, area);
}

bool TimecodeLabel::isDimmed(int line) const
{
    return dimmed.value(line, false);
}

QRegion TimecodeLabel::linesArea(const QList<int>& lines)
{
    QRegion area;
    for (const Cell& cell : cells()) {
        if (lines.contains(cell.line))
            area += cell.area;
    }
    return area;
}

QList<TimecodeLabel::Cell> TimecodeLabel::layoutOf(const QString& text) const
{
    const QFontMetricsF metrics(font());
    const QStringList lines = text.split(QLatin1Char('\n'));
    const QRect box = contentsRect();
    const qreal blockHeight = metrics.height() + (lines.size() - 1) * metrics.lineSpacing();
    qreal top = box.top() + (box.height() - blockHeight) / 2;
    if (alignment() & Qt::AlignTop)
        top = box.top();
    else if (alignment() & Qt::AlignBottom)
        top = box.bottom() + 1 - blockHeight;

    QList<Cell> laid;
    for (int line = 0; line < lines.size(); ++line) {
        const QString& text = lines[line];
        qreal width = 0;
        for (const QChar character : text)
            width += characterSize(character, metrics).advance;
        qreal x = box.left() + (box.width() - width) / 2;
        if (alignment() & Qt::AlignLeft)
            x = box.left();
        else if (alignment() & Qt::AlignRight)
            x = box.right() + 1 - width;
        // Whole pixels, so that a glyph image lands on the same pixels in every cell.
        const qreal baseline = std::round(top + line * metrics.lineSpacing() + metrics.ascent());
        x = std::round(x);
        for (const QChar character : text) {
            laid.append(cellAt(character, line, QPointF(x, baseline), metrics));
            x += characterSize(character, metrics).advance;
        }
    }
    return laid;
}

TimecodeLabel::Cell TimecodeLabel::cellAt(QChar character, int line, QPointF baseline,
                                          const QFontMetricsF& metrics) const
{
    const CharacterSize& size = characterSize(character, metrics);
    const QRectF cellBox(baseline.x(), baseline.y() - metrics.ascent(), size.advance, metrics.height());
    const QRectF ink = size.ink.translated(baseline);
    return {character, line, baseline, cellBox.united(ink).toAlignedRect().adjusted(-2, -2, 2, 2)};
}

bool TimecodeLabel::relayInPlace(const QString& text)
{
    // A new frame mostly changes a few digits, each as wide as the one before it: the cells keep
    // their places and only the changed ones are made again.
    if (text.size() != laidOutText.size())
        return false;
    const QFontMetricsF metrics(font());
    QList<Cell> laid = laidOut;
    qsizetype cell = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar before = laidOutText[i];
        const QChar now = text[i];
        const bool newline = now == QLatin1Char('\n');
        if ((before == QLatin1Char('\n')) != newline)
            return false;
        if (newline)
            continue;
        if (now != before) {
            if (cell >= laid.size() ||
                characterSize(now, metrics).advance != characterSize(before, metrics).advance)
                return false;
            laid[cell] = cellAt(now, laid[cell].line, laid[cell].baseline, metrics);
        }
        ++cell;
    }
    laidOut = std::move(laid);
    return true;
}

const TimecodeLabel::CharacterSize& TimecodeLabel::characterSize(QChar character,
                                                                 const QFontMetricsF& metrics) const
{
    auto found = characterSizes.constFind(character);
    if (found == characterSizes.constEnd())
        found = characterSizes.insert(
            character, {metrics.horizontalAdvance(character), metrics.boundingRect(character)});
    return *found;
}

const QList<TimecodeLabel::Cell>& TimecodeLabel::cells()
{
    if (!layoutValid || laidOutText != text() || laidOutSize != size() || laidOutAlignment != alignment()) {
        if (!layoutValid || laidOutSize != size() || laidOutAlignment != alignment() || !relayInPlace(text()))
            laidOut = layoutOf(text());
        laidOutText = text();
        laidOutSize = size();
        laidOutAlignment = alignment();
        layoutValid = true;
    }
    return laidOut;
}

const TimecodeLabel::Glyph& TimecodeLabel::glyph(QChar character, bool dim)
{
    const qreal ratio = devicePixelRatioF();
    if (ratio != glyphsRatio) {
        glyphs.clear();
        glyphsRatio = ratio;
    }
    const auto key = qMakePair(character, dim);
    auto found = glyphs.constFind(key);
    if (found != glyphs.constEnd())
        return *found;

    // Drawn from the font's outline into an image of its own, once per font size: Qt's glyph
    // cache does not keep glyphs this large.
    QPainterPath outline;
    outline.addText(0, 0, font(), QString(character));
    const QRect bounds = outline.boundingRect().toAlignedRect().adjusted(-1, -1, 1, 1);
    Glyph made;
    made.offset = bounds.topLeft();
    if (!bounds.isEmpty()) {
        made.image = QImage(bounds.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        made.image.setDevicePixelRatio(ratio);
        made.image.fill(Qt::transparent);
        const QColor text = palette().color(foregroundRole());
        QPainter painter(&made.image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(-bounds.topLeft());
        painter.fillPath(outline,
                         dim ? TimecodeText::dimmedColour(text, palette().color(backgroundRole())) : text);
    }
    return *glyphs.insert(key, made);
}

void TimecodeLabel::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (frameShape() != QFrame::NoFrame)
        drawFrame(&painter);
    for (const Cell& cell : cells()) {
        if (!event->region().intersects(cell.area))
            continue;
        const Glyph& shape = glyph(cell.character, isDimmed(cell.line));
        if (!shape.image.isNull())
            painter.drawImage(cell.baseline + shape.offset, shape.image);
    }
}

void TimecodeLabel::measure() const
{
    // Every new text asks for the size hints, to know whether the window needs a new layout. A new
    // frame has the lines and characters of the one before: measured as QLabel measures, four
    // lines of large text would be shaped again 30 times a second for each sender.
    QString shape = text();
    for (QChar& character : shape) {
        if (character.isDigit())
            character = QLatin1Char('0');
    }
    if (shape == hintShape && hint.isValid())
        return;
    hintShape = shape;
    hint = QLabel::sizeHint();
    minimumHint = QLabel::minimumSizeHint();
}

QSize TimecodeLabel::sizeHint() const
{
    measure();
    return hint;
}

QSize TimecodeLabel::minimumSizeHint() const
{
    measure();
    return minimumHint;
}

void TimecodeLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    emit resized();
}

void TimecodeLabel::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        glyphs.clear();
        characterSizes.clear();
        layoutValid = false;
        hint = {};
        QLabel::changeEvent(event);
        askForLayout();
        return;
    default:
        break;
    }
    QLabel::changeEvent(event);
}
