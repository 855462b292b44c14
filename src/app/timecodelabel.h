#pragma once

#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QList>

// The large timecode label. It is a QLabel (its text() is what it shows), but it draws its plain
// text itself from glyph images it renders once per font size, and on a new text repaints only
// the character cells that changed. Large text through Qt's own path is either drawn from outlines
// on every paint (a third of a core at full screen) or, with Qt's glyph cache raised above the
// 64 pixels its FreeType engine renders, not drawn at all; and QLabel repaints its whole area on
// every new text, which at full screen and 30 frames a second sends megabytes a frame to X11.
//
// Lines can be dimmed, one flag per line of the text.
class TimecodeLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TimecodeLabel(const QString& text, QWidget* parent = nullptr);

    // Hides QLabel::setText so that a new text repaints only what changed; a text set through a
    // QLabel pointer is still drawn right, only with a repaint of the whole label.
    void setText(const QString& text);

    // One flag per line; missing flags mean not dimmed.
    void setDimmedLines(const QList<bool>& dimmed);
    QList<bool> dimmedLines() const { return dimmed; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The label got a new size, for example when the displays below it took more lines.
    void resized();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Cell
    {
        QChar character;
        int line;
        QPointF baseline; // where the glyph's origin sits
        QRect area;       // everything this cell may paint
    };
    struct Glyph
    {
        QImage image;
        QPointF offset; // from the glyph origin to the image's top left corner
    };

    struct CharacterSize
    {
        qreal advance;
        QRectF ink; // from the glyph origin
    };

    QList<Cell> layoutOf(const QString& text) const;
    Cell cellAt(QChar character, int line, QPointF baseline, const QFontMetricsF& metrics) const;
    bool relayInPlace(const QString& text);
    const CharacterSize& characterSize(QChar character, const QFontMetricsF& metrics) const;
    void measure() const;
    void askForLayout();
    QRegion changedArea(const QList<Cell>& before, const QList<Cell>& after);
    const QList<Cell>& cells();
    const Glyph& glyph(QChar character, bool dim);
    bool isDimmed(int line) const;
    QRegion linesArea(const QList<int>& lines);

    QList<bool> dimmed;
    QString laidOutText;
    QSize laidOutSize;
    Qt::Alignment laidOutAlignment;
    QList<Cell> laidOut;
    bool layoutValid = false;
    QHash<QPair<QChar, bool>, Glyph> glyphs;
    // Asked for every character of every frame: a dozen characters in the current font.
    mutable QHash<QChar, CharacterSize> characterSizes;
    // The size hints of a text of the shape of hintShape (its digits as 0) in the current font.
    mutable QString hintShape;
    mutable QSize hint;
    mutable QSize minimumHint;
    qreal glyphsRatio = 0;
};
