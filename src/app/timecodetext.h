#pragma once

#include "artnet/arttimecode.h"

#include <QColor>
#include <QSize>
#include <QString>

// The texts of the timecode display, the font size of the timecode label, and the colour of a
// sender that has gone quiet.
namespace TimecodeText {

// "24 FPS", "25 FPS", "30 Drop", "30 FPS"; empty for any other type.
QString frameRateName(quint8 type);

// hh:mm:ss:ff with at least two digits per field (three for values above 99).
QString timecode(const ArtTimecode& timecode);

constexpr int BaseFontSize = 22;
constexpr int LargestSearchedSize = 1000;

// The largest point size from 22 on at which both the line height and the width of text stay
// below two thirds of the label; 22 when even 23 does not fit, and 22 when even 999 fits.
int labelFontSize(const QString& family, const QString& text, QSize labelSize);

// Below this the timecode is no longer worth shrinking: it cannot be read from a distance anyway.
constexpr int SmallestShownSize = 6;

// labelFontSize, made smaller still when at that size not every line of text would fit inside the
// label: with several senders in a small window even size 22 cuts off the first and last lines.
int shownLabelFontSize(const QString& family, const QString& text, QSize labelSize);

// Dimmed text keeps this share of the text colour over the background: still readable up close,
// clearly set apart at a glance.
constexpr qreal DimmedShare = 0.3;

// The text colour laid over the background at DimmedShare.
QColor dimmedColour(const QColor& text, const QColor& background);

} // namespace TimecodeText
