#pragma once

#include <QSize>
#include <QString>

// The timecode label's font search as the display describes it, size by size from 23 upwards:
// the largest size whose line height and text width stay below two thirds of the label, 22 when
// 23 does not fit or when even 999 does. The program's own search must agree with it, and beat it.
int sizeBySizeLabelFontSize(const QString& family, const QString& text, QSize labelSize);
