#pragma once

// Settings of the process that must be made before the QApplication exists.
void prepareApplicationEnvironment();

// Qt's FreeType engine renders glyphs into its cache only up to this many pixels; larger text is
// drawn from outlines.
constexpr int LargestCachedGlyphPixels = 64;
