#pragma once

#include <QLCDNumber>

// The seven-segment timecode display. QLCDNumber repaints all its digits on every new text; at
// full screen and 30 frames a second that sends megabytes a frame to X11 when only the frame
// digits changed. This one repaints only the digit cells whose character changed.
class TimecodeLcd : public QLCDNumber
{
    Q_OBJECT

public:
    explicit TimecodeLcd(QWidget* parent = nullptr);

    // Hides QLCDNumber::display(const QString&); through a QLCDNumber pointer the text is still
    // shown right, only with a repaint of the whole display.
    void display(const QString& text);

    // Draws the digits in a faint colour while set: the display of senders that have all gone
    // quiet.
    void setDimmed(bool dimmed);
    bool isDimmed() const { return dimmed; }

private:
    QRect cellArea(int cell) const;

    QString shownText;
    int shownDigits = -1;
    bool dimmed = false;
    QPalette brightPalette;
};
