#include "showtext.h"

#include "repaintbatch.h"

#include <QGlyphRun>
#include <QPainter>
#include <QtMath>

#include <cmath>
#include <utility>

ShowText::ShowText(Qt::Alignment textAlignment, QWidget* parent) : QWidget(parent), alignment(textAlignment)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

int ShowText::advance(QStringView text)
{
    // Summed from each character's advance, kept per font: shaping the line anew at every frame
    // to learn where its last digits are costs more than drawing them. Kerning is left out; the
    // margins below make up for it.
    qreal sum = 0;
    const QFontMetricsF metrics(font());
    for (const QChar character : text)
        sum += characterAdvance(character, metrics);
    return qCeil(sum);
}

qreal ShowText::characterAdvance(QChar character, const QFontMetricsF& metrics)
{
    if (advancesFont != font()) {
        advances.clear();
        glyphIndexes.clear();
        glyphFont = QRawFont();
        advancesFont = font();
    }
    auto found = advances.constFind(character);
    if (found == advances.constEnd())
        found = advances.insert(character, metrics.horizontalAdvance(character));
    return *found;
}

void ShowText::drawByCharacter(QPainter& painter)
{
    const QFontMetricsF metrics(font());
    QList<quint32> glyphs;
    QList<QPointF> positions;
    glyphs.reserve(shownText.size());
    positions.reserve(shownText.size());
    qreal x = 0;
    for (const QChar character : shownText) {
        const qreal advance = characterAdvance(character, metrics);
        if (!glyphFont.isValid())
            glyphFont = QRawFont::fromFont(font());
        auto found = glyphIndexes.constFind(character);
        if (found == glyphIndexes.constEnd())
            found =
                glyphIndexes.insert(character, glyphFont.glyphIndexesForString(QString(character)).value(0));
        glyphs.append(*found);
        positions.append(QPointF(x, 0));
        x += advance;
    }
    qreal left = 0;
    if (alignment & Qt::AlignRight)
        left = width() - x;
    else if (alignment & Qt::AlignHCenter)
        left = (width() - x) / 2;
    QGlyphRun run;
    run.setRawFont(glyphFont);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter.drawGlyphRun(
        QPointF(std::round(left), std::round((height() - metrics.height()) / 2 + metrics.ascent())), run);
}

void ShowText::setText(const QString& text)
{
    if (text == shownText)
        return;
    const QString before = std::exchange(shownText, text);
    const int widthBefore = textWidth;
    const int margin = fontMetrics().height() / 4;
    textWidth = advance(text) + margin;
    if (textWidth != widthBefore)
        updateGeometry();
    // A countdown changes its last digits only: left-aligned and not cut short, the text is
    // repainted from the first character that changed (a few digits, not the window's width).
    const bool whole = !(alignment & Qt::AlignLeft) || qMax(textWidth, widthBefore) > width();
    if (whole) {
        RepaintBatch::update(this);
        return;
    }
    qsizetype same = 0;
    while (same < before.size() && same < text.size() && before[same] == text[same])
        ++same;
    // A glyph may reach a little into its neighbour's cell; the margin covers that.
    const int from = qMax(0, advance(QStringView(text).left(same)) - margin);
    RepaintBatch::update(this, QRect(from, 0, qMax(textWidth, widthBefore) - from + margin, height()));
}

QSize ShowText::sizeHint() const
{
    return {textWidth, fontMetrics().height()};
}

QSize ShowText::minimumSizeHint() const
{
    // A long file name gives way to the rest of the line; it is cut short with an ellipsis.
    return {1, fontMetrics().height()};
}

void ShowText::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    // Eliding shapes the whole line once more; a line that fits (the countdown at every frame)
    // is drawn as it is.
    const int flags = int(alignment | Qt::AlignVCenter);
    if (drawnByCharacter && textWidth <= width())
        drawByCharacter(painter);
    else if (textWidth <= width())
        painter.drawText(rect(), flags, shownText);
    else
        painter.drawText(rect(), flags, fontMetrics().elidedText(shownText, Qt::ElideRight, width()));
}
