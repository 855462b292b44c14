// What the main window puts on a real X server: a private Xvfb, Qt's xcb platform, real
// ArtTimeCode over loopback, and the server's own pixels read back where the timecode display is.
// The placeholder is compared with the same text drawn from the font's outlines, the received
// timecode is read back with OCR (tesseract), and the LCD display is compared with a QLCDNumber
// drawn into an image; a quiet sender's dimmed timecode is told by the grey of its darkest pixel. The
// program's own start-up settings apply, as in main().
#include "app/applicationsetup.h"
#include "app/timecodelabel.h"
#include "app/timecodelcd.h"
#include "screenocr.h"
#include "windowharness.h"
#include "xvfbserver.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTest>

#include <cstdio>

namespace {

constexpr int ScreenWidth = 1920;
constexpr int ScreenHeight = 1080;
const QString Placeholder = QStringLiteral("--:--:--:--");

struct Timecode
{
    quint8 hours, minutes, seconds, frames;
    QString text() const
    {
        return QStringLiteral("%1:%2:%3:%4")
            .arg(hours, 2, 10, QLatin1Char('0'))
            .arg(minutes, 2, 10, QLatin1Char('0'))
            .arg(seconds, 2, 10, QLatin1Char('0'))
            .arg(frames, 2, 10, QLatin1Char('0'));
    }
};

// Two rounds per sender: the second changes some digits of the first and not others, so that a
// cell left from the first round shows up as a wrong digit.
const Timecode FirstRound[] = {{10, 0, 5, 12}, {1, 23, 45, 21}, {0, 59, 59, 23}, {2, 0, 0, 0}};
const Timecode SecondRound[] = {{10, 0, 6, 13}, {1, 23, 48, 29}, {1, 0, 0, 0}, {2, 0, 0, 17}};

QString senderAddress(int sender)
{
    return QStringLiteral("127.0.0.%1").arg(31 + sender);
}

// What the X server shows inside the widget, read from the root window.
QImage onScreen(const QWidget* widget)
{
    const QPoint corner = widget->mapToGlobal(QPoint(0, 0));
    return widget->screen()
        ->grabWindow(0, corner.x(), corner.y(), widget->width(), widget->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// The box around the pixels darker than mid grey: where text is drawn.
QRect inkBox(const QImage& image)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(line[x]) < 128) {
                left = qMin(left, x);
                right = qMax(right, x);
                top = qMin(top, y);
                bottom = qMax(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Share of the reference's dark pixels that differ once both inks are laid on each other by their
// boxes; 1 when there is no ink at all or the boxes differ in size by more than a few pixels.
double inkDifference(const QImage& shown, const QImage& reference)
{
    const QRect a = inkBox(shown), b = inkBox(reference);
    if (a.isEmpty() || b.isEmpty())
        return 1;
    const int slack = qMax(3, b.width() / 50);
    if (qAbs(a.width() - b.width()) > slack || qAbs(a.height() - b.height()) > slack)
        return 1;
    int differing = 0, ink = 0;
    for (int y = 0; y < b.height(); ++y) {
        for (int x = 0; x < b.width(); ++x) {
            const bool inShown = QRect(QPoint(), shown.size()).contains(a.topLeft() + QPoint(x, y)) &&
                                 qGray(shown.pixel(a.topLeft() + QPoint(x, y))) < 128;
            const bool inReference = qGray(reference.pixel(b.topLeft() + QPoint(x, y))) < 128;
            ink += inReference;
            differing += inShown != inReference;
        }
    }
    return ink ? double(differing) / ink : 1;
}

// The text drawn from the font's outlines, black on white.
QImage outlineText(const QString& text, const QFont& font)
{
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRect box = path.boundingRect().toAlignedRect().adjusted(-4, -4, 4, 4);
    QImage image(box.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(-box.topLeft());
    painter.fillPath(path, Qt::black);
    return image;
}

// A QLCDNumber like the window's, showing the text, drawn into an image.
QImage lcdDrawing(const QLCDNumber& shown, const QString& text)
{
    QLCDNumber lcd;
    lcd.setSegmentStyle(shown.segmentStyle());
    lcd.setFrameStyle(shown.frameStyle());
    lcd.setDigitCount(shown.digitCount());
    lcd.setPalette(shown.palette());
    lcd.resize(shown.size());
    lcd.display(text);
    QImage image(shown.size(), QImage::Format_RGB32);
    image.fill(shown.palette().color(QPalette::Window));
    lcd.render(&image);
    return image;
}

// The darkest grey in the image's rows from top up to bottom.
int darkestIn(const QImage& image, int top, int bottom)
{
    int value = 255;
    for (int y = qMax(0, top); y < qMin(image.height(), bottom); ++y)
        for (int x = 0; x < image.width(); ++x)
            value = qMin(value, qGray(image.pixel(x, y)));
    return value;
}

// The darkest grey of each line of the label's text, centred as the label draws it, from the
// screen: near black for a line in full colour, a light grey for a dimmed one.
QList<int> darkestPerLine(const QWidget& label, int lines)
{
    const QImage shown = onScreen(&label);
    const QFontMetrics metrics(label.font());
    const int top = (label.height() - metrics.height() - (lines - 1) * metrics.lineSpacing()) / 2;
    QList<int> darkest;
    for (int line = 0; line < lines; ++line) {
        const int from = top + line * metrics.lineSpacing();
        darkest.append(darkestIn(shown, from, from + metrics.height()));
    }
    return darkest;
}

// Bounds of the darkest grey: full colour is near black; dimmed is faint, but drawn.
constexpr int FullColourBelow = 60;
constexpr int DimmedAbove = 120;
constexpr int DimmedBelow = 220;

bool isDimmed(int darkest)
{
    return darkest > DimmedAbove && darkest < DimmedBelow;
}

// Scaled so that a line of text is about 60 pixels high, with a margin: the size OCR reads best.
QImage forReading(const QImage& image, int lineHeight)
{
    const double scale = qBound(0.1, 60.0 / qMax(1, lineHeight), 3.0);
    const QImage scaled = image.scaled(image.size() * scale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage framed(scaled.size() + QSize(40, 40), QImage::Format_RGB32);
    framed.fill(image.pixel(0, 0));
    QPainter(&framed).drawImage(20, 20, scaled);
    return framed;
}

} // namespace

class ScreenTest : public QObject
{
    Q_OBJECT

private slots:
    void timecodeIsDrawn_data();
    void timecodeIsDrawn();
    void quietSendersAreDrawnFaint();
    void lcdIsDrawnDimmedWhenEverySenderIsQuiet();
    void framesLeaveNothingBehind_data();
    void framesLeaveNothingBehind();
    void cueNameIsDrawnAsPlainTextOnOneLine();
    void showLineCountsDownThenShowsThePlayingCue();

private:
    QString readLine(const char* name, MainWindow& window, const QString& characters);
    void showAt(WindowHarness& harness, QSize size);
    void checkLabel(const QWidget& label, const QStringList& lines);
    void checkLcd(const QLCDNumber& lcd, const QString& text);
};

void ScreenTest::showAt(WindowHarness& harness, QSize size)
{
    MainWindow& window = harness.window();
    window.setGeometry(QRect(QPoint(0, 0), size));
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(window.size(), size);
    harness.waitForTicks(10);
}

void ScreenTest::checkLabel(const QWidget& label, const QStringList& lines)
{
    const QImage shown = onScreen(&label);
    if (lines == QStringList{Placeholder}) {
        // OCR does not read a line of dashes; the shapes are compared instead.
        const double difference = inkDifference(shown, outlineText(Placeholder, label.font()));
        if (difference > 0.08)
            shown.save(QDir::temp().filePath(QStringLiteral("velmora-placeholder.png")));
        QVERIFY2(difference <= 0.08,
                 qPrintable(QStringLiteral("placeholder differs from its outline in %1 % of its ink")
                                .arg(100 * difference, 0, 'f', 1)));
        return;
    }
    const TextReading reading =
        readText(forReading(shown, QFontMetrics(label.font()).height()), QStringLiteral("0123456789:-"));
    QVERIFY2(reading.ok, qPrintable(reading.error));
    if (reading.lines != lines)
        shown.save(QDir::temp().filePath(QStringLiteral("velmora-timecode.png")));
    QCOMPARE(reading.lines, lines);
}

void ScreenTest::checkLcd(const QLCDNumber& lcd, const QString& text)
{
    const QImage shown = onScreen(&lcd);
    QVERIFY2(!inkBox(shown).isEmpty(), "nothing drawn where the LCD is");
    const double difference = inkDifference(shown, lcdDrawing(lcd, text));
    QVERIFY2(difference <= 0.02, qPrintable(QStringLiteral("LCD differs from \"%1\" in %2 % of its ink")
                                                .arg(text)
                                                .arg(100 * difference, 0, 'f', 1)));
}

void ScreenTest::timecodeIsDrawn_data()
{
    QTest::addColumn<bool>("lcd");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("senders");
    for (const bool lcd : {false, true}) {
        for (const QSize size : {QSize(640, 400), QSize(1280, 800), QSize(1920, 1080)}) {
            for (const int senders : {1, 4}) {
                QTest::addRow("%s, %dx%d, %d sender%s", lcd ? "LCD" : "label", size.width(), size.height(),
                              senders, senders == 1 ? "" : "s")
                    << lcd << size << senders;
            }
        }
    }
}

void ScreenTest::timecodeIsDrawn()
{
    QFETCH(bool, lcd);
    QFETCH(QSize, size);
    QFETCH(int, senders);
    // Time stands still, so that no sender goes quiet (and is dimmed) on a slow run.
    ManualClock clock;
    WindowHarness harness({}, lcd, {}, onClock(clock));
    showAt(harness, size);
    if (QTest::currentTestFailed())
        return;
    const auto* label = harness.window().findChild<QLabel*>(QStringLiteral("timeLabel"));
    const auto* lcdNumber = harness.window().findChild<QLCDNumber*>(QStringLiteral("timeLcd"));
    QVERIFY(lcd ? lcdNumber != nullptr : label != nullptr);

    if (lcd)
        checkLcd(*lcdNumber, Placeholder);
    else
        checkLabel(*label, {Placeholder});
    if (QTest::currentTestFailed())
        return;

    for (const auto* round : {FirstRound, SecondRound}) {
        for (int sender = 0; sender < senders; ++sender) {
            const Timecode& value = round[sender];
            harness.sendTimecode(senderAddress(sender), value.hours, value.minutes, value.seconds,
                                 value.frames);
        }
    }
    harness.waitForTicks(10);
    QStringList expected;
    for (int sender = 0; sender < senders; ++sender)
        expected.append(SecondRound[sender].text());
    if (lcd)
        checkLcd(*lcdNumber, expected.join(QLatin1Char(' ')));
    else
        checkLabel(*label, expected);
}

void ScreenTest::quietSendersAreDrawnFaint()
{
    ManualClock clock;
    WindowHarness harness({}, false, {}, onClock(clock));
    showAt(harness, QSize(1280, 800));
    for (int sender = 0; sender < 4; ++sender) {
        const Timecode& value = FirstRound[sender];
        harness.sendTimecode(senderAddress(sender), value.hours, value.minutes, value.seconds, value.frames);
    }
    const auto* label = harness.window().findChild<QLabel*>(QStringLiteral("timeLabel"));
    QVERIFY(label);

    // The darkest pixel of each of the four lines, from the screen.
    const auto darkest = [&] {
        harness.waitForTicks(5);
        return darkestPerLine(*label, 4);
    };

    const QList<int> plain = darkest();
    for (const int value : plain)
        QVERIFY2(value < FullColourBelow, "a line of the timecode is not drawn in full black");

    // The first and third consoles run on; the second and fourth stop.
    for (const int sender : {0, 2}) {
        clock.advance(600);
        const Timecode& value = SecondRound[sender];
        harness.sendTimecode(senderAddress(sender), value.hours, value.minutes, value.seconds, value.frames);
    }
    const QList<int> dimmed = darkest();
    for (const int line : {0, 2})
        QVERIFY2(dimmed[line] < FullColourBelow,
                 qPrintable(QStringLiteral("the running console's line %1 is drawn at grey %2")
                                .arg(line)
                                .arg(dimmed[line])));
    for (const int line : {1, 3})
        QVERIFY2(isDimmed(dimmed[line]),
                 qPrintable(QStringLiteral("the quiet console's line %1 is drawn at grey %2")
                                .arg(line)
                                .arg(dimmed[line])));

    // The quiet ones keep their last timecode, readable. OCR passes over faint text: darken it first.
    QImage faint = onScreen(label);
    for (int y = 0; y < faint.height(); ++y) {
        for (int x = 0; x < faint.width(); ++x)
            faint.setPixel(x, y,
                           qGray(faint.pixel(x, y)) < DimmedBelow ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    }
    const TextReading reading =
        readText(forReading(faint, QFontMetrics(label->font()).height()), QStringLiteral("0123456789:"));
    QVERIFY2(reading.ok, qPrintable(reading.error));
    QCOMPARE(reading.lines, QStringList({SecondRound[0].text(), FirstRound[1].text(), SecondRound[2].text(),
                                         FirstRound[3].text()}));

    // Back in full colour at their next datagram, the same timecode as before or not.
    harness.sendTimecode(senderAddress(1), FirstRound[1].hours, FirstRound[1].minutes, FirstRound[1].seconds,
                         FirstRound[1].frames);
    harness.sendTimecode(senderAddress(3), 7, 7, 7, 7);
    const QList<int> restored = darkest();
    for (const int value : restored)
        QVERIFY2(value < FullColourBelow, "a line stayed dimmed");
}

void ScreenTest::lcdIsDrawnDimmedWhenEverySenderIsQuiet()
{
    ManualClock clock;
    WindowHarness harness({}, true, {}, onClock(clock));
    showAt(harness, QSize(1280, 800));
    const auto* lcd = harness.window().findChild<QLCDNumber*>(QStringLiteral("timeLcd"));
    QVERIFY(lcd);
    const auto darkest = [&] {
        harness.waitForTicks(5);
        return darkestIn(onScreen(lcd), 0, lcd->height());
    };
    harness.sendTimecode(senderAddress(0), 10, 0, 5, 12);
    harness.sendTimecode(senderAddress(1), 1, 23, 45, 21);
    clock.advance(600);
    harness.sendTimecode(senderAddress(0), 10, 0, 5, 13);
    clock.advance(600);
    QVERIFY2(darkest() < FullColourBelow, "one console still sends, yet the LCD is not in full colour");
    clock.advance(600);
    const int quiet = darkest();
    QVERIFY2(isDimmed(quiet),
             qPrintable(QStringLiteral("every console is quiet, and the LCD is at grey %1").arg(quiet)));
    // Dimmed, the segments still show both timecodes.
    QCOMPARE(onScreen(lcd), lcdDrawing(*lcd, QStringLiteral("10:00:05:13 01:23:45:21")));

    harness.sendTimecode(senderAddress(1), 1, 23, 45, 21);
    QVERIFY2(darkest() < FullColourBelow, "a console is back, yet the LCD is not in full colour");
}

void ScreenTest::framesLeaveNothingBehind_data()
{
    QTest::addColumn<bool>("lcd");
    QTest::newRow("label") << false;
    QTest::newRow("LCD") << true;
}

void ScreenTest::framesLeaveNothingBehind()
{
    // A new frame sends only the pixels of a digit that changed: after every digit has gone
    // through every other, the X server shows what a paint of the whole display shows, exactly.
    QFETCH(bool, lcd);
    TimecodeLcd segments;
    segments.setSegmentStyle(QLCDNumber::Flat);
    segments.setFrameStyle(QFrame::NoFrame);
    segments.setDigitCount(11);
    TimecodeLabel text(QString{});
    QFont font = text.font();
    font.setPointSize(72);
    text.setFont(font);
    text.setAlignment(Qt::AlignCenter);
    QWidget* display = lcd ? static_cast<QWidget*>(&segments) : &text;
    const auto show = [&](const QString& timecode) {
        if (lcd)
            segments.display(timecode);
        else
            text.setText(timecode);
    };
    show(QStringLiteral("00:00:00:00"));
    display->setGeometry(0, 0, 900, 240);
    display->show();
    QVERIFY(QTest::qWaitForWindowExposed(display));
    for (int from = 0; from < 10; ++from) {
        for (int to = 0; to < 10; ++to) {
            for (const int digit : {from, to}) {
                show(QStringList(4, QString(2, QChar(u'0' + digit))).join(u':'));
                QTest::qWait(2);
            }
        }
    }
    QTest::qWait(100);
    QCOMPARE(onScreen(display), display->grab().toImage().convertToFormat(QImage::Format_RGB32));
}

void ScreenTest::cueNameIsDrawnAsPlainTextOnOneLine()
{
    // A name that Qt would take for markup, with a line break in it.
    const QString name = QStringLiteral("<b>loud<br>cue\nbang.wav");
    ManualClock clock;
    WindowHarness harness(cueList({{0, QDir::temp().filePath(name), 0, 0, 10}}), false, {}, onClock(clock));
    showAt(harness, QSize(1280, 800));
    const auto* status = harness.window().findChild<QLabel*>(QStringLiteral("statusLabel"));
    QVERIFY(status);
    const QRect edit = harness.window().findChild<QWidget*>(QStringLiteral("editButton"))->geometry();

    harness.runOnto(senderAddress(0), 0, 0, 10);
    harness.waitForTicks(5);
    const QImage shown = onScreen(status);
    const TextReading reading = readText(forReading(shown, QFontMetrics(status->font()).height()),
                                         QStringLiteral("<>abcdeglnoruvw."));
    QVERIFY2(reading.ok, qPrintable(reading.error));
    if (reading.lines.size() != 1)
        shown.save(QDir::temp().filePath(QStringLiteral("velmora-cue-name.png")));
    QCOMPARE(reading.lines.size(), 1);
    QVERIFY2(reading.lines.first().contains(QStringLiteral("<b>loud<br>cue")) &&
                 reading.lines.first().endsWith(QStringLiteral("bang.wav")),
             qPrintable(reading.lines.first()));
    // The buttons beside it stay where they were: the row is as high as before.
    QCOMPARE(harness.window().findChild<QWidget*>(QStringLiteral("editButton"))->geometry(), edit);
}

QString ScreenTest::readLine(const char* name, MainWindow& window, const QString& characters)
{
    const auto* label = window.findChild<QWidget*>(QLatin1String(name));
    if (!label)
        return QStringLiteral("no %1").arg(QLatin1String(name));
    const TextReading reading =
        readText(forReading(onScreen(label), QFontMetrics(label->font()).height()), characters);
    return reading.ok ? reading.lines.join(QLatin1Char(' ')) : reading.error;
}

void ScreenTest::showLineCountsDownThenShowsThePlayingCue()
{
    // Only the letters of the line's texts, so that Tesseract has no look-alikes to choose from.
    const QString cueLetters = QStringLiteral("0123456789:.NPacefgilnorstuxy");
    const QString timeLetters = QStringLiteral("0123456789:dyaelpft");
    SoundRecorder sounds;
    sounds.setLengthMs(20000);
    WindowHarness harness(cueList({{0, QStringLiteral("/shows/intro.flac"), 0, 0, 10},
                                   {1, QStringLiteral("/shows/outro.flac"), 0, 0, 30}}),
                          false, sounds.factory());
    showAt(harness, QSize(1280, 800));
    // A console located to 00:00:05:00 that runs a frame: five seconds to the first cue.
    harness.sendTimecode(senderAddress(0), 0, 0, 5, 0);
    harness.sendTimecode(senderAddress(0), 0, 0, 5, 1);
    harness.waitForTicks(3);
    QCOMPARE(readLine("showNext", harness.window(), cueLetters),
             QStringLiteral("Next0intro.flacat00:00:10in5.0s"));
    // Nothing plays: that part of the line takes no room.
    QVERIFY(!harness.window().findChild<QWidget*>(QStringLiteral("showPlaying"))->isVisible());

    // It runs onto the cue: the line goes over to the playing cue and counts to the next one.
    harness.runOnto(senderAddress(0), 0, 0, 10);
    harness.waitForTicks(3);
    QCOMPARE(readLine("showPlaying", harness.window(), cueLetters), QStringLiteral("Playing0intro.flac"));
    QCOMPARE(readLine("showTimes", harness.window(), timeLetters), QStringLiteral("00:00played00:20left"));
    QCOMPARE(readLine("showNext", harness.window(), cueLetters),
             QStringLiteral("Next1outro.flacat00:00:30in20.0s"));

    // Two seconds on, a tenth of the bar is filled, as the X server shows it.
    harness.sendTimecode(senderAddress(0), 0, 0, 12, 0);
    harness.sendTimecode(senderAddress(0), 0, 0, 12, 1);
    harness.waitForTicks(3);
    const auto* bar = harness.window().findChild<QWidget*>(QStringLiteral("showProgress"));
    const QImage shown = onScreen(bar);
    const int y = shown.height() / 2;
    QCOMPARE(shown.pixel(shown.width() / 20, y), bar->palette().color(QPalette::Highlight).rgb());
    QCOMPARE(shown.pixel(shown.width() / 2, y), bar->palette().color(QPalette::Mid).rgb());
}

int main(int argc, char** argv)
{
    // The test's own X server, whatever DISPLAY says: the pixels must come from a known screen,
    // and no test may draw on a user's desktop.
    XvfbServer server;
    if (!server.start(ScreenWidth, ScreenHeight)) {
        std::fprintf(stderr, "FAIL: no X server for the screen tests: %s\n", server.error().constData());
        return 1;
    }
    qputenv("DISPLAY", server.display());
    qputenv("QT_QPA_PLATFORM", "xcb");
    prepareApplicationEnvironment();
    QApplication application(argc, argv);
    ScreenTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screen.moc"
