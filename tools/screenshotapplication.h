#pragma once

#include <QApplication>
#include <QCommandLineParser>
#include <QImage>

class QRect;
class QWidget;

// Velmora's application as the program itself starts it, in a tool that draws what Velmora shows
// into PNG files for the docs. Its command line offers --help; a tool with options describes
// itself, adds them and processes it.
class ScreenshotApplication : public QApplication
{
public:
    ScreenshotApplication(int& argc, char** argv);

    QCommandLineParser commandLine;

    // What a user sees of widget: on a real X server the server's own pixels of its area,
    // elsewhere (offscreen) Qt's drawing of it.
    static QImage shownPixels(QWidget& widget);
    // The X server's pixels in an area of the screen, which shows menus and other windows of
    // their own over the window they belong to.
    static QImage screenPixels(const QRect& area);
    // Writes image into file as a PNG; when it cannot, says so on standard error under the
    // program's name.
    static bool savePng(const QImage& image, const QString& file);
};
