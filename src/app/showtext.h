#pragma once

#include <QHash>
#include <QRawFont>
#include <QWidget>

// One part of the show line: a line of text drawn in its palette's text colour. Unlike a label,
// a new text asks the window for a new layout only when it needs another width (the digits of a
// countdown all have one width), so a new frame repaints this part and nothing else.
class ShowText : public QWidget
{
    Q_OBJECT

public:
    ShowText(Qt::Alignment alignment, QWidget* parent);

    void setText(const QString& text);
    // For a text of digits and signs that no font joins or kerns (a countdown): drawn glyph by
    // glyph at the advances the widths are measured with, without shaping the text at every frame.
    void setDrawnByCharacter(bool byCharacter) { drawnByCharacter = byCharacter; }
    const QString& text() const { return shownText; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int advance(QStringView text);
    qreal characterAdvance(QChar character, const QFontMetricsF& metrics);
    void drawByCharacter(QPainter& painter);

    Qt::Alignment alignment;
    QFont advancesFont;
    QHash<QChar, qreal> advances;
    bool drawnByCharacter = false;
    QRawFont glyphFont;
    QHash<QChar, quint32> glyphIndexes;
    QString shownText;
    int textWidth = 0;
};
