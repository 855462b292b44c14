// The settings dialog's colours as the X server shows them, in the widget style Velmora runs
// with: a palette colour that the style does not draw would leave a technician with a grey dialog
// and no warning. Runs on a private Xvfb (see velmora_add_test's XVFB).
#include "cues/settings.h"
#include "tonewav.h"
#include "windowharness.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

class SettingsPixelsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rowColoursShowOnScreen_data();
    void rowColoursShowOnScreen();

private:
    QTemporaryDir files;
    std::unique_ptr<WindowHarness> harness;
    QImage shot;
    Settings* dialog = nullptr;
};

namespace {

using PixelTest = std::function<bool(QRgb)>;

// Saturated colours as the style draws them: shaded, lightened at the edges, never exact.
bool greenish(QRgb pixel)
{
    return qGreen(pixel) > 180 && qRed(pixel) < 170 && qBlue(pixel) < 170;
}

bool reddish(QRgb pixel)
{
    return qRed(pixel) > 180 && qGreen(pixel) < 215 && qBlue(pixel) < 215 && qRed(pixel) - qGreen(pixel) > 40;
}

bool orangeish(QRgb pixel)
{
    return qRed(pixel) > 200 && qGreen(pixel) > 80 && qGreen(pixel) < 200 && qBlue(pixel) < 100;
}

bool anyMark(QRgb pixel)
{
    return greenish(pixel) || reddish(pixel) || orangeish(pixel);
}

// The share of the widget's pixels on screen that pass the test.
double share(const QImage& shot, const QWidget* widget, const QWidget* window, const PixelTest& test)
{
    const QRect area(widget->mapTo(window, QPoint(0, 0)), widget->size());
    int passing = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            passing += test(shot.pixel(x, y)) ? 1 : 0;
    }
    return double(passing) / double(area.width() * area.height());
}

QString wave(const QTemporaryDir& files, const QString& name)
{
    QFile file(files.filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(ToneWav::toneWav(100, 44100, 1, 16));
    return file.fileName();
}

} // namespace

void SettingsPixelsTest::initTestCase()
{
    // ctest runs this on a private Xvfb; elsewhere there would be no pixels to judge.
    QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"),
             "needs an X server: run it through ctest, which starts Xvfb (Debian package xvfb)");
    QVERIFY(files.isValid());
    QFile text(files.filePath(QStringLiteral("notes.txt")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("bring the big drum\n");
    text.close();
    harness =
        std::make_unique<WindowHarness>(cueList({{0, wave(files, QStringLiteral("intro.wav")), 0, 0, 10},
                                                 {1, files.filePath(QStringLiteral("gone.wav")), 0, 5, 0},
                                                 {2, wave(files, QStringLiteral("applause.wav")), 1, 20, 0},
                                                 {3, wave(files, QStringLiteral("bows.wav")), 1, 20, 0},
                                                 {4, text.fileName(), 2, 0, 0}}));
    dialog = harness->openSettings();
    QVERIFY(dialog);
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QTest::qWait(200);
    shot = dialog->screen()->grabWindow(dialog->winId()).toImage();
    QCOMPARE(shot.size(), dialog->size());
    qInfo("widget style: %s", qPrintable(QApplication::style()->name()));
}

void SettingsPixelsTest::rowColoursShowOnScreen_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("part"); // "file", "times" or "icon"
    QTest::addColumn<QString>("colour");

    QTest::newRow("playable file: green button") << 0 << QStringLiteral("file") << QStringLiteral("green");
    QTest::newRow("playable file: green state icon")
        << 0 << QStringLiteral("icon") << QStringLiteral("green");
    QTest::newRow("playable file: plain times") << 0 << QStringLiteral("times") << QStringLiteral("none");
    QTest::newRow("missing file: red button") << 1 << QStringLiteral("file") << QStringLiteral("red");
    QTest::newRow("missing file: red state icon") << 1 << QStringLiteral("icon") << QStringLiteral("red");
    QTest::newRow("shared start time: red times") << 2 << QStringLiteral("times") << QStringLiteral("red");
    QTest::newRow("shared start time, other row: red times")
        << 3 << QStringLiteral("times") << QStringLiteral("red");
    QTest::newRow("shared start time: red state icon")
        << 3 << QStringLiteral("icon") << QStringLiteral("red");
    QTest::newRow("not a wave file: orange button")
        << 4 << QStringLiteral("file") << QStringLiteral("orange");
    QTest::newRow("empty slot: plain button") << 7 << QStringLiteral("file") << QStringLiteral("none");
    QTest::newRow("empty slot: plain times") << 7 << QStringLiteral("times") << QStringLiteral("none");
}

void SettingsPixelsTest::rowColoursShowOnScreen()
{
    QFETCH(int, slot);
    QFETCH(QString, part);
    QFETCH(QString, colour);
    const QString number = QString::number(slot);
    QList<QWidget*> widgets;
    if (part == QLatin1String("file"))
        widgets << dialog->findChild<QWidget*>(QStringLiteral("fileButton") + number);
    else if (part == QLatin1String("icon"))
        widgets << dialog->findChild<QWidget*>(QStringLiteral("stateIcon") + number);
    else
        for (const char* kind : {"hour", "minute", "seconds"})
            widgets << dialog->findChild<QSpinBox*>(QLatin1String(kind) + number);

    const PixelTest test = colour == QLatin1String("green")    ? PixelTest(greenish)
                           : colour == QLatin1String("red")    ? PixelTest(reddish)
                           : colour == QLatin1String("orange") ? PixelTest(orangeish)
                                                               : PixelTest(anyMark);
    for (const QWidget* widget : widgets) {
        QVERIFY(widget);
        const double seen = share(shot, widget, dialog, test);
        const QString report =
            QStringLiteral("%1: %2 % %3").arg(widget->objectName()).arg(seen * 100, 0, 'f', 1).arg(colour);
        // A state icon is a small disc in a wider label; a file button is its colour nearly all
        // over; a time box must show it behind its digits, not only in its frame and arrows
        // (about a third of the box).
        const double enough = part == QLatin1String("icon") ? 0.1 : part == QLatin1String("file") ? 0.4 : 0.6;
        if (colour == QLatin1String("none"))
            QVERIFY2(seen < 0.01, qPrintable(report));
        else
            QVERIFY2(seen > enough, qPrintable(report));
    }
}

QTEST_MAIN(SettingsPixelsTest)
#include "tst_settingspixels.moc"
