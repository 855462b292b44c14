#pragma once

#include <QtGlobal>

// One colour of a caller's pixel buffer, filled from three consecutive DMX channels. A plain
// triple rather than QColor keeps the node free of Qt's GUI module.
struct PixelColour
{
    quint8 red = 0;
    quint8 green = 0;
    quint8 blue = 0;

    friend bool operator==(const PixelColour& a, const PixelColour& b)
    {
        return a.red == b.red && a.green == b.green && a.blue == b.blue;
    }
    friend bool operator!=(const PixelColour& a, const PixelColour& b) { return !(a == b); }
};
