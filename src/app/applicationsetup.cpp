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
}
