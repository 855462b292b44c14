// LTC through a real sound server: a private PulseAudio with a null output, into which the test
// plays LTC, and whose monitor is the LTC input. The input reads what libltc's encoder and an
// encoder of the test's own make, and the window shows it and starts cues from it.

#include "app/timecodelabel.h"
#include "app/timecodetext.h"
#include "artnet/timecodeframes.h"
#include "cues/settings.h"
#include "cues/settingsstore.h"
#include "ltcaudio.h"
#include "platform/ltcinput.h"
#include "pulsenullsink.h"
#include "reportlines.h"
#include "windowharness.h"

#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <cmath>

Q_DECLARE_METATYPE(ArtTimecode)

namespace {

// An LTC encoder of the test's own, so that the decoder is not only checked against the encoder
// of its own library: 80 bits a frame in biphase mark (a transition at every bit, and one more in
// the middle of a 1), the timecode in BCD at its standard places, the sync word in bits 64-79.
std::vector<float> biphaseMarkLtc(ArtTimecode timecode, int frames)
{
    const double bitSamples =
        double(LtcSignal::SampleRate) / (TimecodeFrames::framesPerSecond(timecode.type) * 80.0);
    std::vector<float> samples;
    float level = 0.5F;
    double clock = 0.0;
    const auto halfBit = [&](bool flip) {
        if (flip)
            level = -level;
        clock += bitSamples / 2;
        while (double(samples.size()) < clock)
            samples.push_back(level);
    };
    for (int frame = 0; frame < frames; ++frame) {
        bool bits[80] = {};
        const auto put = [&bits](int first, int count, int value) {
            for (int bit = 0; bit < count; ++bit)
                bits[first + bit] = (value >> bit) & 1;
        };
        put(0, 4, timecode.frames % 10);
        put(8, 2, timecode.frames / 10);
        put(10, 1, timecode.type == 2 ? 1 : 0);
        put(16, 4, timecode.seconds % 10);
        put(24, 3, timecode.seconds / 10);
        put(32, 4, timecode.minutes % 10);
        put(40, 3, timecode.minutes / 10);
        put(48, 4, timecode.hours % 10);
        put(56, 2, timecode.hours / 10);
        const char* sync = "0011111111111101";
        for (int bit = 0; bit < 16; ++bit)
            bits[64 + bit] = sync[bit] == '1';
        for (const bool bit : bits) {
            halfBit(true);
            halfBit(bit);
        }
        timecode = nextTimecode(timecode);
    }
    // The last bit is only known at the edge that ends it.
    halfBit(true);
    halfBit(false);
    return samples;
}

std::vector<float> silence(int ms)
{
    return std::vector<float>(size_t(LtcSignal::SampleRate / 1000 * ms), 0.0F);
}

std::vector<float> joined(std::initializer_list<std::vector<float>> parts)
{
    std::vector<float> all;
    for (const std::vector<float>& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

ArtTimecode at(int hours, int minutes, int seconds, int frames, int type)
{
    return ArtTimecode{quint8(frames), quint8(seconds), quint8(minutes), quint8(hours), quint8(type)};
}

QString lineOf(const QString& text, int line)
{
    return text.split(QLatin1Char('\n')).value(line);
}

} // namespace

class LtcTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void inputReadsLtc_data();
    void inputReadsLtc();
    void missingOrVanishedInputIsSaidOnceAndTriedAgain();
    void windowShowsLtcBesideArtNet();
    void cueStartsFromLtc();
    void ltcJumpsAndFallsQuiet();
    void inputIsChosenInTheSettings();

private:
    // Plays samples into the null output after a short silence, and waits until they are played.
    void play(const std::vector<float>& samples);

    std::unique_ptr<PulseNullSink> soundServer;
};

void LtcTest::initTestCase()
{
    soundServer = std::make_unique<PulseNullSink>();
    // About the real input: without a sound server these tests fail, never skip.
    QVERIFY2(soundServer->start(), qPrintable(soundServer->errorString()));
}

void LtcTest::play(const std::vector<float>& samples)
{
    LtcPlayer player;
    // The input's stream is up well within the lead-in.
    player.play(joined({silence(300), samples, silence(200)}), 50);
    // The window reads each frame as it comes, as in a show, not a whole burst at the end.
    while (player.playing())
        QTest::qWait(5);
    QVERIFY2(player.wait(), qPrintable(player.errorString()));
}

void LtcTest::inputReadsLtc_data()
{
    QTest::addColumn<bool>("ownEncoder");
    QTest::addColumn<ArtTimecode>("start");
    QTest::addColumn<int>("frames");
    QTest::addColumn<double>("dBFS");
    QTest::addColumn<bool>("backwards");
    QTest::addColumn<double>("speed");

    QTest::newRow("24 fps") << false << at(1, 0, 0, 0, 0) << 50 << -10.0 << false << 1.0;
    QTest::newRow("25 fps") << false << at(10, 20, 30, 0, 1) << 50 << -10.0 << false << 1.0;
    QTest::newRow("29.97 drop frame across a minute")
        << false << at(0, 0, 59, 0, 2) << 62 << -10.0 << false << 1.0;
    QTest::newRow("30 fps") << false << at(23, 59, 58, 0, 3) << 62 << -10.0 << false << 1.0;
    QTest::newRow("-30 dBFS") << false << at(0, 1, 0, 0, 1) << 50 << -30.0 << false << 1.0;
    QTest::newRow("0 dBFS") << false << at(0, 1, 0, 0, 3) << 62 << 0.0 << false << 1.0;
    QTest::newRow("played backwards") << false << at(0, 10, 2, 5, 1) << 50 << -10.0 << true << 1.0;
    QTest::newRow("10 % fast") << false << at(0, 2, 0, 0, 1) << 50 << -10.0 << false << 1.1;
    QTest::newRow("10 % slow") << false << at(0, 2, 0, 0, 1) << 50 << -10.0 << false << 0.9;
    QTest::newRow("own encoder, 25 fps") << true << at(5, 4, 3, 0, 1) << 50 << -6.0 << false << 1.0;
    QTest::newRow("own encoder, 29.97 drop frame")
        << true << at(0, 9, 59, 0, 2) << 62 << -6.0 << false << 1.0;
}

void LtcTest::inputReadsLtc()
{
    QFETCH(bool, ownEncoder);
    QFETCH(ArtTimecode, start);
    QFETCH(int, frames);
    QFETCH(double, dBFS);
    QFETCH(bool, backwards);
    QFETCH(double, speed);

    ReportLines reports;
    LtcInput input(nullptr, reports.writer());
    QList<ArtTimecode> decoded;
    connect(&input, &LtcInput::timecodeDecoded, this,
            [&decoded](const ArtTimecode& timecode) { decoded << timecode; });
    input.setInput(PulseNullSink::monitorSource());
    play(ownEncoder ? biphaseMarkLtc(start, frames)
                    : encodeLtc(LtcSignal{start, frames, dBFS, backwards, speed}));

    QTRY_VERIFY_WITH_TIMEOUT(!decoded.isEmpty() && !input.hasSignal(), 3000);
    QCoreApplication::processEvents();

    // Every frame read is a frame of the signal, in the signal's order, with its labels as they
    // are (drop frame skips 00 and 01 of each minute but the tenth). The first frame or two go to
    // finding the signal's clock; a frame may be lost when the machine is loaded (the whole test
    // suite on two cores), but not more than a few.
    QList<ArtTimecode> played{start};
    while (played.size() < frames + 2)
        played << nextTimecode(played.last(), backwards ? -1 : 1);
    int place = -1;
    for (ArtTimecode frame : decoded) {
        frame.type = start.type;
        const int found = int(played.indexOf(frame, place + 1));
        QVERIFY2(found > place && found - place <= 3,
                 qPrintable(TimecodeText::timecode(frame) + " after frame " + QString::number(place)));
        place = found;
    }
    QVERIFY2(decoded.size() >= frames - frames / 10, qPrintable(QString::number(decoded.size())));
    QVERIFY(place >= frames - 2);
    QCOMPARE(int(decoded.last().type), int(start.type));
    QVERIFY(reports.lines().isEmpty());
}

void LtcTest::missingOrVanishedInputIsSaidOnceAndTriedAgain()
{
    ReportLines reports;
    LtcInput input(nullptr, reports.writer());
    QList<ArtTimecode> decoded;
    connect(&input, &LtcInput::timecodeDecoded, this,
            [&decoded](const ArtTimecode& timecode) { decoded << timecode; });
    input.setInput(QStringLiteral("desk.monitor"));
    QVERIFY(reports.waitFor(QStringLiteral("LTC: no input \"desk.monitor\"")));

    // The desk's output appears (a sound card plugged in): its input is read within the retry.
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                                          QStringLiteral("sink_name=desk")});
    QVERIFY(pactl.waitForFinished() && pactl.exitCode() == 0);
    const QString module = QString::fromLatin1(pactl.readAllStandardOutput()).trimmed();
    QVERIFY(reports.waitFor(QStringLiteral("LTC: reading \"desk.monitor\" again"), 3000));

    // It goes away mid-show.
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("unload-module"), module});
    QVERIFY(pactl.waitForFinished() && pactl.exitCode() == 0);
    QVERIFY(reports.waitFor(QStringLiteral("LTC: lost the input \"desk.monitor\""), 3000));
    QTest::qWait(2500);
    // Said once, though tried again every second.
    QCOMPARE(reports.matching(QStringLiteral("LTC: no input")).size(), 1);
    QCOMPARE(reports.matching(QStringLiteral("LTC: lost the input")).size(), 1);
    QVERIFY(decoded.isEmpty());
}

void LtcTest::windowShowsLtcBesideArtNet()
{
    AudioFileConfig cues;
    cues.ltcInput = PulseNullSink::monitorSource();
    WindowHarness harness(cues);
    harness.sendTimecode(QStringLiteral("127.0.0.11"), 1, 0, 0, 0, 3);
    play(encodeLtc(LtcSignal{at(0, 0, 1, 0, 0), 30, -10.0, false, 1.0}));
    QTRY_COMPARE(lineOf(harness.labelText("timeLabel"), 1), QStringLiteral("00:00:02:05"));
    // In the order first heard: the console, then the LTC input, with its rate and description.
    QCOMPARE(lineOf(harness.labelText("timeLabel"), 0), QStringLiteral("01:00:00:00"));
    QCOMPARE(harness.labelText("fpsLabel"), QStringLiteral("30 FPS\n24 FPS"));
    QCOMPARE(lineOf(harness.labelText("senderLabel"), 0), QStringLiteral("127.0.0.11"));
    QVERIFY2(lineOf(harness.labelText("senderLabel"), 1).startsWith(QStringLiteral("LTC Monitor of")),
             qPrintable(harness.labelText("senderLabel")));
}

void LtcTest::cueStartsFromLtc()
{
    AudioFileConfig cues = cueList({{0, QStringLiteral("/show/intro.wav"), 0, 0, 2}});
    cues.ltcInput = PulseNullSink::monitorSource();
    WindowHarness harness(cues);
    play(encodeLtc(LtcSignal{at(0, 0, 1, 10, 1), 30, -20.0, false, 1.0}));
    // Run across its start as any sender does: at its first frame, from the file's start.
    QTRY_COMPARE(harness.recorder.events().filter(QStringLiteral("play")),
                 QStringList{QStringLiteral("play /show/intro.wav")});
}

void LtcTest::ltcJumpsAndFallsQuiet()
{
    AudioFileConfig cues;
    cues.ltcInput = PulseNullSink::monitorSource();
    WindowHarness harness(cues);
    auto* label = harness.window().findChild<TimecodeLabel*>(QStringLiteral("timeLabel"));
    QVERIFY(label);
    play(joined({encodeLtc(LtcSignal{at(0, 0, 1, 0, 1), 10, -10.0, false, 1.0}),
                 encodeLtc(LtcSignal{at(0, 20, 0, 0, 1), 15, -10.0, false, 1.0})}));
    QTRY_COMPARE(harness.labelText("timeLabel"), QStringLiteral("00:20:00:14"));
    QCOMPARE(label->dimmedLines(), QList<bool>{false});
    // The signal stopped: a second later the sender is drawn dimmed, its last timecode kept.
    QTRY_COMPARE_WITH_TIMEOUT(label->dimmedLines(), QList<bool>{true}, 3000);
    QCOMPARE(harness.labelText("timeLabel"), QStringLiteral("00:20:00:14"));
}

void LtcTest::inputIsChosenInTheSettings()
{
    // The server's inputs as the dialog is told them; what it stores is the input's name.
    WindowHarness harness({}, false, {}, [](MainWindowEnvironment& environment) {
        environment.listInputs = [](QObject*, std::function<void(QList<SoundInput>)> done) {
            done({{QStringLiteral("alsa_input.usb"), QStringLiteral("USB Audio")},
                  {PulseNullSink::monitorSource(), QStringLiteral("Desk LTC")}});
        };
    });
    Settings* dialog = harness.openSettings();
    QVERIFY(dialog);
    auto* choice = dialog->findChild<QComboBox*>(QStringLiteral("ltcInputBox"));
    QVERIFY(choice);
    QStringList offered;
    for (int index = 0; index < choice->count(); ++index)
        offered << choice->itemText(index);
    QCOMPARE(offered, (QStringList{"No LTC input", "USB Audio", "Desk LTC"}));
    QCOMPARE(choice->currentIndex(), 0);
    choice->setCurrentIndex(2);
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
    const QSettings store(QString::fromLatin1(settingsOrganisation),
                          QString::fromLatin1(settingsApplication));
    QCOMPARE(store.value(QStringLiteral("LtcInput")).toString(), PulseNullSink::monitorSource());

    // Read from then on; the dialog opened again shows it chosen, and whether LTC arrives.
    dialog = harness.openSettings();
    QVERIFY(dialog);
    auto* signal = dialog->findChild<QLabel*>(QStringLiteral("ltcSignal"));
    QVERIFY(signal);
    QCOMPARE(dialog->findChild<QComboBox*>(QStringLiteral("ltcInputBox"))->currentText(),
             QStringLiteral("Desk LTC"));
    LtcPlayer player;
    player.play(joined({silence(300), encodeLtc(LtcSignal{at(0, 0, 1, 0, 1), 50, -10.0, false, 1.0})}), 50);
    QTRY_COMPARE_WITH_TIMEOUT(signal->text(), QStringLiteral("\u25cf signal"), 3000);
    QTRY_COMPARE(harness.labelText("fpsLabel"), QStringLiteral("25 FPS"));
    QVERIFY(player.wait());
    QTRY_COMPARE_WITH_TIMEOUT(signal->text(), QStringLiteral("\u25cb no signal"), 3000);

    // Default forgets it.
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("defaultButton")), Qt::LeftButton);
    QVERIFY(!QSettings(QString::fromLatin1(settingsOrganisation), QString::fromLatin1(settingsApplication))
                 .contains(QStringLiteral("LtcInput")));
}

QTEST_MAIN(LtcTest)
#include "tst_ltc.moc"
