// What the main window shows: placeholders, the texts of one and two senders in both display
// modes, and the timecode font that follows the window size.
#include "app/timecodetext.h"
#include "sizebysizefontsearch.h"
#include "testregistry.h"
#include "windowharness.h"

#include <QPushButton>
#include <QTest>

class DisplayTest : public QObject
{
    Q_OBJECT

private slots:
    void placeholdersUntilTimecodeArrives_data();
    void placeholdersUntilTimecodeArrives();
    void oneSenderInLabelMode();
    void twoSendersInLabelMode();
    void twoSendersInLcdMode();
    void lcdSegmentsTellTextsApart_data();
    void lcdSegmentsTellTextsApart();
    void valuesAsReceived();
    void frameRateNames_data();
    void frameRateNames();
    void timecodeFontFollowsTheWindow();
    void fontSearchMatchesTheLinearSearch_data();
    void fontSearchMatchesTheLinearSearch();
    void windowLayoutAndNode();
    void windowKeepsItsSizeAsSendersJoin_data();
    void windowKeepsItsSizeAsSendersJoin();
};

void DisplayTest::placeholdersUntilTimecodeArrives_data()
{
    QTest::addColumn<bool>("lcd");
    QTest::newRow("label mode") << false;
    QTest::newRow("LCD mode") << true;
}

void DisplayTest::placeholdersUntilTimecodeArrives()
{
    QFETCH(bool, lcd);
    WindowHarness harness({}, lcd);
    harness.waitForTicks(5);
    if (lcd) {
        QCOMPARE(harness.lcdText("timeLcd"), QStringLiteral("--:--:--:--"));
        QCOMPARE(harness.lcdText("fpsLcd"), QStringLiteral("-- fps"));
        QCOMPARE(harness.lcdDigits("timeLcd"), 11);
        QCOMPARE(harness.lcdDigits("fpsLcd"), 6);
        QVERIFY(!harness.window().findChild<QLabel*>("timeLabel"));
    } else {
        QCOMPARE(harness.labelText("timeLabel"), QStringLiteral("--:--:--:--"));
        QCOMPARE(harness.labelText("fpsLabel"), QStringLiteral("-- fps"));
        QVERIFY(!harness.window().findChild<QLCDNumber*>("timeLcd"));
    }
    QCOMPARE(harness.labelText("senderLabel"), QStringLiteral("0.0.0.0"));
    QCOMPARE(harness.labelText("statusLabel"), QString());
    QVERIFY(harness.recorder.events().isEmpty());
}

void DisplayTest::oneSenderInLabelMode()
{
    WindowHarness harness;
    harness.sendTimecode("127.0.0.20", 10, 0, 0, 0, 1);
    QCOMPARE(harness.labelText("timeLabel"), QStringLiteral("10:00:00:00"));
    QCOMPARE(harness.labelText("fpsLabel"), QStringLiteral("25 FPS"));
    QCOMPARE(harness.labelText("senderLabel"), QStringLiteral("127.0.0.20"));
    harness.sendTimecode("127.0.0.20", 1, 2, 3, 4, 3);
    QCOMPARE(harness.labelText("timeLabel"), QStringLiteral("01:02:03:04"));
    QCOMPARE(harness.labelText("fpsLabel"), QStringLiteral("30 FPS"));
}

void DisplayTest::twoSendersInLabelMode()
{
    WindowHarness harness;
    harness.sendTimecode("127.0.0.21", 1, 0, 0, 0, 0);
    harness.sendTimecode("127.0.0.20", 2, 30, 15, 12, 2);
    QCOMPARE(harness.labelText("timeLabel"), QStringLiteral("01:00:00:00\n02:30:15:12"));
    QCOMPARE(harness.labelText("fpsLabel"), QStringLiteral("24 FPS\n30 Drop"));
    QCOMPARE(harness.labelText("senderLabel"), QStringLiteral("127.0.0.21\n127.0.0.20"));

    // A sender that falls silent keeps its place and its last timecode.
    harness.sendTimecode("127.0.0.20", 2, 30, 15, 13, 2);
    harness.waitForTicks(5);
    QCOMPARE(harness.labelText("timeLabel"), QStringLiteral("01:00:00:00\n02:30:15:13"));
}

void DisplayTest::twoSendersInLcdMode()
{
    WindowHarness harness({}, true);
    harness.sendTimecode("127.0.0.20", 10, 0, 0, 0, 1);
    QCOMPARE(harness.lcdText("timeLcd"), QStringLiteral("10:00:00:00"));
    QCOMPARE(harness.lcdDigits("timeLcd"), 11);
    QCOMPARE(harness.lcdDigits("fpsLcd"), 6);
    harness.sendTimecode("127.0.0.21", 0, 0, 5, 1, 3);
    QCOMPARE(harness.lcdText("timeLcd"), QStringLiteral("10:00:00:00 00:00:05:01"));
    QCOMPARE(harness.lcdText("fpsLcd"), QStringLiteral("25 FPS 30 FPS"));
    QCOMPARE(harness.labelText("senderLabel"), QStringLiteral("127.0.0.20 127.0.0.21"));
    QCOMPARE(harness.lcdDigits("timeLcd"), 23);
    QCOMPARE(harness.lcdDigits("fpsLcd"), 13);
}

void DisplayTest::lcdSegmentsTellTextsApart_data()
{
    QTest::addColumn<QString>("other");
    QTest::newRow("one frame on") << "10:00:00:01";
    QTest::newRow("blank for the colon") << "10 00:00:00";
    QTest::newRow("placeholder") << "--:--:--:--";
}

void DisplayTest::lcdSegmentsTellTextsApart()
{
    // The LCD checks read the segments: a text the LCD does not show is told apart from the one
    // it shows, however alike.
    QFETCH(QString, other);
    WindowHarness harness({}, true);
    harness.sendTimecode("127.0.0.20", 10, 0, 0, 0, 1);
    const auto* lcd = harness.window().findChild<QLCDNumber*>("timeLcd");
    QVERIFY(lcdShows(*lcd, QStringLiteral("10:00:00:00")));
    QVERIFY(!lcdShows(*lcd, other));
}

void DisplayTest::valuesAsReceived()
{
    WindowHarness harness;
    harness.sendTimecode("127.0.0.20", 255, 100, 75, 9, 255);
    QCOMPARE(harness.labelText("timeLabel"), QStringLiteral("255:100:75:09"));
    QCOMPARE(harness.labelText("fpsLabel"), QString());
    harness.sendTimecode("127.0.0.21", 0, 0, 0, 0, 1);
    // The unnamed frame rate still keeps its place before the separator.
    QCOMPARE(harness.labelText("fpsLabel"), QStringLiteral("\n25 FPS"));
}

void DisplayTest::frameRateNames_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");
    QTest::newRow("film") << 0 << "24 FPS";
    QTest::newRow("EBU") << 1 << "25 FPS";
    QTest::newRow("drop frame") << 2 << "30 Drop";
    QTest::newRow("SMPTE") << 3 << "30 FPS";
    QTest::newRow("unknown") << 4 << "";
}

void DisplayTest::frameRateNames()
{
    QFETCH(int, type);
    QFETCH(QString, name);
    QCOMPARE(TimecodeText::frameRateName(quint8(type)), name);
}

void DisplayTest::timecodeFontFollowsTheWindow()
{
    WindowHarness harness;
    auto* label = harness.window().findChild<QLabel*>("timeLabel");
    QVERIFY(label);
    // Already fitted to the label's share of the first window size, not left at the base size.
    QTRY_COMPARE(label->font().pointSize(),
                 TimecodeText::labelFontSize(label->font().family(), label->text(), label->size()));
    QVERIFY(label->font().bold());
    const int first = label->font().pointSize();

    harness.window().resize(1600, 1000);
    QTRY_VERIFY(label->font().pointSize() > first);
    const int large = label->font().pointSize();
    QCOMPARE(large, TimecodeText::labelFontSize(label->font().family(), label->text(), label->size()));
    const auto* fps = harness.window().findChild<QLabel*>("fpsLabel");
    QCOMPARE(fps->font().pointSize(), 22);

    harness.window().resize(420, 300);
    QTRY_VERIFY(label->font().pointSize() < large);

    WindowHarness lcdHarness({}, true);
    const auto* lcd = lcdHarness.window().findChild<QLCDNumber*>("timeLcd");
    const QFont before = lcd->font();
    lcdHarness.window().resize(1600, 1000);
    QTest::qWait(50);
    QCOMPARE(lcd->font(), before);
}

void DisplayTest::fontSearchMatchesTheLinearSearch_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("one sender") << "10:00:00:00";
    QTest::newRow("two senders") << "10:00:00:00\n01:02:03:04";
    QTest::newRow("placeholder") << "--:--:--:--";
    QTest::newRow("wide values") << "255:255:255:255";
}

void DisplayTest::fontSearchMatchesTheLinearSearch()
{
    QFETCH(QString, text);
    const QString family = QLabel().font().family();
    for (int width = 20; width <= 2600; width += 97) {
        for (int height = 10; height <= 1500; height += 131) {
            const QSize size(width, height);
            QCOMPARE(TimecodeText::labelFontSize(family, text, size),
                     sizeBySizeLabelFontSize(family, text, size));
        }
    }
    QCOMPARE(TimecodeText::labelFontSize(family, text, QSize(20, 10)), 22);
    // So large that even size 999 fits: the search gives up at 22.
    QCOMPARE(TimecodeText::labelFontSize(family, "1", QSize(100000, 100000)), 22);
}

void DisplayTest::windowLayoutAndNode()
{
    WindowHarness harness;
    QCOMPARE(harness.window().windowTitle(), QStringLiteral("Velmora"));
    QVERIFY(!harness.window().windowIcon().isNull());
    QCOMPARE(harness.labelText("versionLabel"), QStringLiteral("Velmora v0.3.1"));
    QVERIFY(harness.labelText("homepageLabel")
                .contains("/software/download/?Software=Tessaly&CurrentVersion=0.3.0.0"));
    QVERIFY(harness.window().downloadLinkText().contains(
        "/update_view.php?software=velmora&currentversion=0.3.1.0"));
    QVERIFY(harness.window().helpLinkText().contains("/help.php?software=velmora&currentversion=0.3.1.0"));
    const auto* edit = harness.window().findChild<QPushButton*>("editButton");
    const auto* stop = harness.window().findChild<QPushButton*>("stopButton");
    QCOMPARE(edit->toolTip(), QStringLiteral("Edit timecode audio values"));
    QCOMPARE(stop->toolTip(), QStringLiteral("Stop playing audio signal"));
    QVERIFY(!edit->icon().isNull() && !stop->icon().isNull());

    // The node answers polls as "Orvane", firmware 0.3, OEM 0x0C15.
    LoopbackPeer poller("127.0.0.2", harness.port());
    poller.sendTo(artNetHeader(0x2000, 14), harness.port());
    const QByteArray reply = poller.receive();
    QCOMPARE(reply.size(), 240);
    QCOMPARE(reply.mid(26, 7), QByteArray("Orvane\0", 7));
    QCOMPARE(reply.mid(44, 38), QByteArray("Velmora v0.3.1 by www.velmora.example\0", 38));
    QCOMPARE(reply.mid(16, 2), QByteArray("\x00\x03", 2));
    QCOMPARE(reply.mid(20, 2), QByteArray("\x0C\x15", 2));
}

void DisplayTest::windowKeepsItsSizeAsSendersJoin_data()
{
    QTest::addColumn<bool>("lcd");
    QTest::newRow("label mode") << false;
    QTest::newRow("LCD mode") << true;
}

void DisplayTest::windowKeepsItsSizeAsSendersJoin()
{
    QFETCH(bool, lcd);
    QTest::failOnWarning(QRegularExpression("QLCDNumber"));
    WindowHarness harness({}, lcd);
    harness.sendTimecode("127.0.0.20", 10, 0, 0, 0, 1);
    // A large timecode font must not keep the window from shrinking again.
    harness.window().resize(1600, 1000);
    QTRY_COMPARE(harness.window().size(), QSize(1600, 1000));
    harness.waitForTicks();
    harness.window().resize(420, 300);
    QTRY_COMPARE(harness.window().size(), QSize(420, 300));

    for (int i = 1; i < 10; ++i)
        harness.sendTimecode(QStringLiteral("127.0.0.%1").arg(20 + i), 10, 0, 0, quint8(i), 1);
    QCOMPARE(harness.window().size(), QSize(420, 300));
    if (lcd) {
        // Ten senders would need 119 cells; the LCD shows at most 99.
        QCOMPARE(harness.lcdDigits("timeLcd"), 99);
        QCOMPARE(harness.lcdDigits("fpsLcd"), 69);
    } else {
        QCOMPARE(harness.labelText("senderLabel").count('\n'), 9);
    }
}

VELMORA_REGISTER_TEST(DisplayTest)
#include "tst_display.moc"
