#include "applicationsetup.h"

#include <QByteArray>
#include <QtGlobal>

void prepareApplicationEnvironment()
{
    // Qt's raster engine takes QT_MAX_CACHED_GLYPH_SIZE as the size up to which it asks the font
    // engine for cached glyph images, but the FreeType engine renders none above its own fixed 64
    // pixels: with a larger limit every text between the two is silently not drawn on X11. The
    // timecode label draws its large glyphs itself (TimecodeLabel), so nothing needs the limit
    // raised; one raised from outside is taken back.
    if (qEnvironmentVariableIntValue("QT_MAX_CACHED_GLYPH_SIZE") > LargestCachedGlyphPixels)
        qunsetenv("QT_MAX_CACHED_GLYPH_SIZE");
    // A new frame repaints a few character cells. Through X11's shared memory, Qt waits for the
    // X server to finish with the last frame's image before it paints the next (a round trip to
    // the server, its reply handed over by another thread, 30 times a second); the cells sent
    // over the connection itself are a few kilobytes. That takes about a third off the window's
    // processor time during a show. Set from outside, the choice is left alone.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
}
