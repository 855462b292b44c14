// How much of the timecode display a new frame repaints, the process setting that decides
// whether Qt can draw large text at all, and the one that sends repainted cells to the X server.
#include "app/applicationsetup.h"
#include "app/showline.h"
#include "app/timecodelabel.h"
#include "testregistry.h"
#include "windowharness.h"

#include <QPaintEvent>
#include <QTest>

#include <memory>

namespace {

// Collects the areas a widget is asked to paint.
class PaintedArea : public QObject
{
public:
    explicit PaintedArea(QWidget* widget) { widget->installEventFilter(this); }
    QRegion area;
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            area += static_cast<QPaintEvent*>(event)->region();
            ++paints;
        }
        return false;
    }
};

qint64 pixels(const QRegion& region)
{
    qint64 sum = 0;
    for (const QRect& rect : region)
        sum += qint64(rect.width()) * rect.height();
    return sum;
}

} // namespace

class RepaintTest : public QObject
{
    Q_OBJECT

private slots:
    void newFrameRepaintsOnlyItsCells_data();
    void newFrameRepaintsOnlyItsCells();
    void framesDrawnAsAFreshLabel_data();
    void framesDrawnAsAFreshLabel();
    void countdownStaysWholeAndAlone_data();
    void countdownStaysWholeAndAlone();
    void labelSizeReachesTheWindow_data();
    void labelSizeReachesTheWindow();
    void glyphCacheLimitFromOutside_data();
    void glyphCacheLimitFromOutside();
    void sharedMemoryChoiceFromOutside_data();
    void sharedMemoryChoiceFromOutside();
};

void RepaintTest::newFrameRepaintsOnlyItsCells_data()
{
    QTest::addColumn<bool>("lcd");
    QTest::newRow("label mode") << false;
    QTest::newRow("LCD mode") << true;
}

void RepaintTest::newFrameRepaintsOnlyItsCells()
{
    QFETCH(bool, lcd);
    // Time stands still, so that no sender goes quiet (and is repainted dimmed) on a slow run.
    ManualClock clock;
    WindowHarness harness({}, lcd, {}, onClock(clock));
    harness.window().resize(1920, 1080);
    QTRY_COMPARE(harness.window().size(), QSize(1920, 1080));
    // Each sender runs two frames: its clock runs, and the show line below has appeared.
    for (int sender = 0; sender < 4; ++sender) {
        harness.sendTimecode(QStringLiteral("127.0.0.%1").arg(40 + sender), 10, 0, 0, 0);
        harness.sendTimecode(QStringLiteral("127.0.0.%1").arg(40 + sender), 10, 0, 0, 1);
    }
    harness.waitForTicks(5);
    QWidget* display = harness.window().findChild<QWidget*>(lcd ? "timeLcd" : "timeLabel");
    QVERIFY(display);

    PaintedArea painted(display);
    harness.waitForTicks(5);
    QCOMPARE(painted.paints, 0); // nothing new, nothing painted

    // The next frame of one sender: two digits of one timecode.
    harness.sendTimecode(QStringLiteral("127.0.0.41"), 10, 0, 0, 2);
    QTRY_VERIFY(painted.paints > 0);
    const double share = double(pixels(painted.area)) / (qint64(display->width()) * display->height());
    QVERIFY2(
        share < 0.02,
        qPrintable(QStringLiteral("a new frame repainted %1 % of the display").arg(100 * share, 0, 'f', 1)));
}

void RepaintTest::framesDrawnAsAFreshLabel_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("frames and a second") << QStringList{"10:00:00:28", "10:00:00:29", "10:00:01:00"};
    QTest::newRow("every digit changes") << QStringList{"11:11:11:11", "10:11:11:11", "00:00:00:00"};
    QTest::newRow("a second sender") << QStringList{"10:00:00:01", "10:00:00:02\n01:00:00:00"};
    QTest::newRow("lines trade places")
        << QStringList{"01:00:00:00\n10:00:00:00", "10:00:00:00\n01:00:00:00"};
    QTest::newRow("a line longer") << QStringList{"10:00:00:01\n99:00:00:00", "10:00:00:02\n100:00:00:0"};
}

void RepaintTest::framesDrawnAsAFreshLabel()
{
    // A new frame moves no cell that keeps its width: what it draws must be what a label given
    // the last text at once draws.
    QFETCH(QStringList, texts);
    const auto made = [](const QString& text) {
        auto* label = new TimecodeLabel(text);
        QFont font = label->font();
        font.setPointSize(60);
        label->setFont(font);
        label->setAlignment(Qt::AlignCenter);
        label->resize(900, 400);
        return label;
    };
    std::unique_ptr<TimecodeLabel> shown(made(texts.first()));
    shown->grab();
    for (const QString& text : texts) {
        shown->setText(text);
        shown->grab();
    }
    std::unique_ptr<TimecodeLabel> fresh(made(texts.last()));
    QCOMPARE(shown->grab().toImage(), fresh->grab().toImage());
}

void RepaintTest::labelSizeReachesTheWindow_data()
{
    QTest::addColumn<int>("senders");
    QTest::newRow("a second sender") << 2;
    QTest::newRow("four senders") << 4;
}

void RepaintTest::labelSizeReachesTheWindow()
{
    // Frames do not ask the window for a layout; a text that needs more room still does.
    QFETCH(int, senders);
    ManualClock clock;
    WindowHarness harness({}, false, {}, onClock(clock));
    const auto* label = harness.window().findChild<TimecodeLabel*>(QStringLiteral("timeLabel"));
    QVERIFY(label && label->parentWidget());
    harness.sendTimecode(QStringLiteral("127.0.0.40"), 10, 0, 0, 1);
    QTRY_COMPARE(harness.labelText("timeLabel"), QStringLiteral("10:00:00:01"));
    QTRY_COMPARE(label->parentWidget()->sizeHint(), label->sizeHint());
    const QSize before = label->sizeHint();
    for (int sender = 1; sender < senders; ++sender)
        harness.sendTimecode(QStringLiteral("127.0.0.%1").arg(40 + sender), 10, 0, 0, 2);
    QTRY_VERIFY(label->sizeHint() != before);
    QTRY_COMPARE(label->parentWidget()->sizeHint(), label->sizeHint());
}

void RepaintTest::countdownStaysWholeAndAlone_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("file");
    QTest::newRow("wide window") << 1280 << "outro.wav";
    QTest::newRow("a long name in a narrow window") << 420 << "the-second-half-overture-final-mix-v7.wav";
}

void RepaintTest::countdownStaysWholeAndAlone()
{
    // The countdown is what is read from across the room: a long file name gives way before it
    // does, and a new frame repaints the countdown alone.
    QFETCH(int, width);
    QFETCH(QString, file);
    ShowLine line;
    line.resize(width, 200);
    ShowLine::Content content;
    content.next = QStringLiteral("Next 4  %1 at 00:05:00  in").arg(file);
    content.countdown = QStringLiteral("00:01:10:12");
    line.setContent(content);
    line.show();
    QVERIFY(QTest::qWaitForWindowExposed(&line));
    auto* words = line.findChild<QWidget*>(QStringLiteral("showNextCue"));
    auto* countdown = line.findChild<QWidget*>(QStringLiteral("showCountdown"));
    QVERIFY(words && countdown);
    QTRY_VERIFY(countdown->isVisible());
    QVERIFY(countdown->width() >= countdown->sizeHint().width());
    QVERIFY(countdown->mapTo(&line, QPoint(countdown->width(), 0)).x() <= line.width());
    QVERIFY(countdown->x() >= words->x() + words->width());

    PaintedArea wordsPainted(words);
    PaintedArea countdownPainted(countdown);
    content.countdown = QStringLiteral("00:01:10:13");
    line.setContent(content);
    QTRY_VERIFY(countdownPainted.paints > 0);
    QCOMPARE(wordsPainted.paints, 0);
}

void RepaintTest::glyphCacheLimitFromOutside_data()
{
    QTest::addColumn<QByteArray>("given");
    QTest::addColumn<bool>("kept");
    QTest::newRow("Qt's own 64 px stays") << QByteArray("64") << true;
    QTest::newRow("a smaller limit stays") << QByteArray("32") << true;
    QTest::newRow("a raised limit is taken back") << QByteArray("1400") << false;
    QTest::newRow("one pixel above is taken back") << QByteArray("65") << false;
}

void RepaintTest::glyphCacheLimitFromOutside()
{
    QFETCH(QByteArray, given);
    QFETCH(bool, kept);
    const QByteArray before = qgetenv("QT_MAX_CACHED_GLYPH_SIZE");
    qputenv("QT_MAX_CACHED_GLYPH_SIZE", given);
    prepareApplicationEnvironment();
    const bool stays = qgetenv("QT_MAX_CACHED_GLYPH_SIZE") == given;
    if (before.isNull())
        qunsetenv("QT_MAX_CACHED_GLYPH_SIZE");
    else
        qputenv("QT_MAX_CACHED_GLYPH_SIZE", before);
    QCOMPARE(stays, kept);
}

void RepaintTest::sharedMemoryChoiceFromOutside_data()
{
    QTest::addColumn<QByteArray>("given");
    QTest::addColumn<QByteArray>("taken");
    QTest::newRow("unset: the cells go over the connection") << QByteArray() << QByteArray("1");
    QTest::newRow("shared memory asked for from outside") << QByteArray("0") << QByteArray("0");
    QTest::newRow("no shared memory asked for from outside") << QByteArray("1") << QByteArray("1");
}

void RepaintTest::sharedMemoryChoiceFromOutside()
{
    QFETCH(QByteArray, given);
    QFETCH(QByteArray, taken);
    const QByteArray before = qgetenv("QT_XCB_NO_MITSHM");
    if (given.isNull())
        qunsetenv("QT_XCB_NO_MITSHM");
    else
        qputenv("QT_XCB_NO_MITSHM", given);
    prepareApplicationEnvironment();
    const QByteArray after = qgetenv("QT_XCB_NO_MITSHM");
    if (before.isNull())
        qunsetenv("QT_XCB_NO_MITSHM");
    else
        qputenv("QT_XCB_NO_MITSHM", before);
    QCOMPARE(after, taken);
}

VELMORA_REGISTER_TEST(RepaintTest)
#include "tst_repaint.moc"
