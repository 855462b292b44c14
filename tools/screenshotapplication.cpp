#include "screenshotapplication.h"

#include "app/applicationsetup.h"

#include <QScreen>
#include <QWidget>

#include <cstdio>

namespace {

// The process is set up before QApplication reads its environment, as main does.
int& preparedArgc(int& argc)
{
    prepareApplicationEnvironment();
    return argc;
}

} // namespace

ScreenshotApplication::ScreenshotApplication(int& argc, char** argv) : QApplication(preparedArgc(argc), argv)
{
    commandLine.addHelpOption();
}

QImage ScreenshotApplication::shownPixels(QWidget& widget)
{
    if (platformName() == QLatin1String("xcb"))
        return screenPixels(widget.geometry());
    return widget.grab().toImage();
}

QImage ScreenshotApplication::screenPixels(const QRect& area)
{
    return primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

bool ScreenshotApplication::savePng(const QImage& image, const QString& file)
{
    if (!image.isNull() && image.save(file, "PNG"))
        return true;
    std::fprintf(stderr, "%s: cannot write %s\n", qPrintable(applicationName()), qPrintable(file));
    return false;
}
