#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Qt keeps rendered glyphs only up to 64 pixels; the timecode is drawn far larger and would
    // be drawn from outlines on every tick. Caching glyphs up to the largest size the timecode
    // font can take cuts the display's CPU use by a factor of about five.
    if (!qEnvironmentVariableIsSet("QT_MAX_CACHED_GLYPH_SIZE"))
        qputenv("QT_MAX_CACHED_GLYPH_SIZE", "1400");
    auto* application = new QApplication(argc, argv);
    auto* window = new MainWindow;
    window->show();
    const int result = application->exec();
    delete window;
    delete application;
    return result;
}
