#pragma once

#include "artnet/arttimecode.h"

#include <QSize>
#include <QString>

// The texts of the timecode display, and the font size of the timecode label.
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

} // namespace TimecodeText
