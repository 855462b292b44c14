// Draws the main window as a user sees it while timecode arrives, into a PNG file:
//   velmora-screenshot --senders 2 --lcd out.png
//   velmora-screenshot --senders 2 --quiet 2 out.png   (the second sender has stopped)
//   velmora-screenshot --show out.png   (a cue plays, the next one counts down)
//   velmora-screenshot --senders 1 --ltc out.png       (and LTC from a sound input)
// Meant for the project's docs; run it with a throw-away settings store (scripts/screenshots.sh),
// since it writes the display mode into the store it finds.
#include "app/mainwindow.h"
#include "cues/settingsstore.h"
#include "ltcaudio.h"
#include "pulsenullsink.h"
#include "screenshotapplication.h"
#include "soundrecorder.h"
#include "timecodesender.h"
#include "windowharness.h"

#include <QSettings>
#include <QTest>

#include <cstdio>

int main(int argc, char* argv[])
{
    ScreenshotApplication application(argc, argv);
    QCommandLineParser& parser = application.commandLine;
    parser.setApplicationDescription(
        QStringLiteral("Draws the Velmora window receiving timecode into a PNG."));
    const QCommandLineOption lcd(QStringLiteral("lcd"), QStringLiteral("Show the LCD display mode."));
    const QCommandLineOption senders(QStringLiteral("senders"), QStringLiteral("Number of senders, 1 to 4."),
                                     QStringLiteral("count"), QStringLiteral("1"));
    const QCommandLineOption size(QStringLiteral("size"), QStringLiteral("Window size WIDTHxHEIGHT."),
                                  QStringLiteral("size"), QStringLiteral("800x480"));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("The sender, 1 to 4, that stopped sending a while ago."),
                                   QStringLiteral("sender"));
    const QCommandLineOption show(
        QStringLiteral("show"),
        QStringLiteral("The first sender has started a cue; the next cue counts down."));
    const QCommandLineOption ltc(
        QStringLiteral("ltc"),
        QStringLiteral("LTC from a sound input too: played into a private sound server's null output."));
    parser.addOptions({lcd, senders, size, quiet, show, ltc});
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The PNG file to write."));
    parser.process(application);
    if (parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "velmora-screenshot: name one PNG file; see --help\n");
        return 2;
    }
    const QStringList dimensions = parser.value(size).split(QLatin1Char('x'));
    const int senderCount = qBound(1, parser.value(senders).toInt(), 4);
    // Counted from 0; -1 when every sender is still sending.
    const int quietSender =
        parser.isSet(quiet) ? qBound(1, parser.value(quiet).toInt(), senderCount) - 1 : -1;

    {
        QSettings store(QString::fromLatin1(settingsOrganisation), QString::fromLatin1(settingsApplication));
        store.setValue(QStringLiteral("UseLcd"), parser.isSet(lcd));
    }
    // The cues play nothing: the picture is of the window, and the sound layer only says that the
    // cue plays and how long its file is.
    SoundRecorder sounds;
    sounds.setLengthMs(150000);
    if (parser.isSet(show)) {
        const AudioFileConfig cues = cueList({{0, QStringLiteral("/shows/opening.wav"), 10, 0, 0},
                                              {1, QStringLiteral("/shows/applause.wav"), 10, 0, 40}});
        SaveAudioConfig(&cues);
    }
    // Started before the window, whose LTC input finds the server when it connects.
    PulseNullSink soundServer;
    if (parser.isSet(ltc)) {
        if (!soundServer.start()) {
            std::fprintf(stderr, "velmora-screenshot: no sound server for LTC: %s\n",
                         qPrintable(soundServer.errorString()));
            return 1;
        }
        QSettings store(QString::fromLatin1(settingsOrganisation), QString::fromLatin1(settingsApplication));
        store.setValue(QStringLiteral("LtcInput"), PulseNullSink::monitorSource());
    }

    // The window's node picks a free port of its own; the senders talk to it there on loopback.
    MainWindowEnvironment environment;
    environment.node.port = 0;
    environment.node.writeDiagnostic = [](const QString&) {};
    environment.makeSound = sounds.factory();
    // The window's clock, moved on below by the time a quiet sender has been silent, so that the
    // picture does not wait for it.
    qint64 nowMs = 0;
    environment.node.clockMs = [&nowMs] { return nowMs; };
    MainWindow window(nullptr, environment);
    window.setGeometry(0, 0, dimensions.value(0).toInt(), dimensions.value(1).toInt());
    window.show();
    QTest::qWait(200);

    const struct
    {
        const char* address;
        ArtTimecode timecode; // frames, seconds, minutes, hours, type
    } shown[] = {{"127.0.0.20", {12, 5, 0, 10, 1}},
                 {"127.0.0.21", {21, 45, 23, 1, 3}},
                 {"127.0.0.22", {23, 59, 59, 0, 0}},
                 {"127.0.0.23", {0, 0, 0, 2, 2}}};
    std::vector<std::unique_ptr<TimecodeSender>> consoles;
    for (int i = 0; i < senderCount; ++i) {
        consoles.push_back(
            std::make_unique<TimecodeSender>(QHostAddress(QString::fromLatin1(shown[i].address)),
                                             QHostAddress::LocalHost, window.node()->port()));
        if (i == 0 && parser.isSet(show)) {
            // The first console runs onto the first cue at 10:00:00 and is then located on to
            // where the picture shows it: the cue plays on.
            for (const ArtTimecode& step :
                 {ArtTimecode{24, 59, 59, 9, 1}, ArtTimecode{0, 0, 0, 10, 1}, ArtTimecode{11, 5, 0, 10, 1}}) {
                consoles.back()->send(step);
                QTest::qWait(60);
            }
        }
        consoles.back()->send(shown[i].timecode);
        QTest::qWait(60);
    }
    if (parser.isSet(ltc)) {
        // A playback machine's LTC at 25 fps, a second of it, heard after the consoles.
        LtcPlayer player;
        player.play(encodeLtc(LtcSignal{ArtTimecode{0, 4, 30, 0, 1}, 25, -10.0, false, 1.0}), 50);
        while (player.playing())
            QTest::qWait(10);
        player.wait();
    }
    if (quietSender >= 0) {
        // A second and a half later: the others have sent on, the quiet one has not.
        nowMs += 1500;
        for (int i = 0; i < senderCount; ++i) {
            if (i == quietSender)
                continue;
            ArtTimecode later = shown[i].timecode;
            if (++later.seconds == 60) {
                later.seconds = 0;
                if (++later.minutes == 60) {
                    later.minutes = 0;
                    ++later.hours;
                }
            }
            consoles[size_t(i)]->send(later);
            QTest::qWait(60);
        }
    }
    QTest::qWait(300);

    return application.savePng(application.shownPixels(window), parser.positionalArguments().first()) ? 0 : 1;
}
