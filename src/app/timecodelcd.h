#pragma once

#include <QHash>
#include <QImage>
#include <QLCDNumber>
#include <QRegion>

#include <memory>
#include <utility>

// The seven-segment timecode display. QLCDNumber repaints all its digits on every new text; at
// full screen and 30 frames a second that sends megabytes a frame to X11 when only the frame
// digits changed. This one repaints only the digit cells whose character changed, and draws each
// from an image of its character made once per size and colour: QLCDNumber would build the
// polygons of every digit of every sender at each paint, however little of it is shown anew.
class TimecodeLcd : public QLCDNumber
{
    Q_OBJECT

public:
    explicit TimecodeLcd(QWidget* parent = nullptr);
    ~TimecodeLcd() override;

    // Hides QLCDNumber::display(const QString&); through a QLCDNumber pointer the text is still
    // shown right, only with a repaint of the whole display.
    void display(const QString& text);

    // Draws the digits in a faint colour while set: the display of senders that have all gone
    // quiet.
    void setDimmed(bool dimmed);
    bool isDimmed() const { return dimmed; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect cellArea(int cell) const;
    QRect cellTile(int cell) const;
    bool drawsFromImages() const;
    const QImage& cellImage(QChar character);
    QRegion changedPixels(QChar from, QChar to);
    void forgetImages();
    // Below this many pixels a tile leaves no room between a digit and its neighbours.
    static constexpr int SmallestTile = 12;
    // A new text with more changed cells than this repaints them whole.
    static constexpr int MostCellsBySegment = 8;
    // Rows of a cell drawn at once: with up to three rectangles of the clip in a row, fewer
    // pieces than the 96 that Qt hands to its thread pool in one batch of a blend.
    static constexpr int StripRows = 24;

    QString shownText;
    int shownDigits = -1;
    bool dimmed = false;
    QPalette brightPalette;
    // Each character as QLCDNumber draws it in the first cell's tile. A digit sits at the same
    // place within its tile in every cell, so one image serves them all.
    QHash<QChar, QImage> cellImages;
    int imagesDigits = -1;
    // Where the images of two characters differ, in a tile: from one frame to the next a digit
    // changes a few of its segments, and the rest of its cell need not go to the X server again.
    QHash<std::pair<QChar, QChar>, QRegion> changes;
    std::unique_ptr<QLCDNumber> drawer;
};
