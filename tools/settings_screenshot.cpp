// Draws the settings dialog as a technician sees it into a PNG file: a cue whose wave file is
// there, one whose file is missing, two that share a start time, and empty slots.
//   velmora-settings-screenshot out.png
// Meant for the project's docs, on a real X server (scripts/screenshots.sh runs it on Xvfb). The
// dialog is drawn on its own, as the edit button opens it; the settings store is not touched.
#include "cues/audiofileconfig.h"
#include "cues/settings.h"
#include "screenshotapplication.h"

#include <QDataStream>
#include <QFile>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

// One second of 16-bit mono silence at 44.1 kHz: enough for the dialog to see a playable file.
bool writeSilentWave(const QString& path)
{
    constexpr quint32 Rate = 44100;
    constexpr quint32 DataBytes = Rate * 2;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + DataBytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << Rate << quint32(Rate * 2) << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << DataBytes;
    file.write(QByteArray(DataBytes, '\0'));
    return out.status() == QDataStream::Ok;
}

} // namespace

int main(int argc, char* argv[])
{
    ScreenshotApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: velmora-settings-screenshot FILE.png\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);

    QTemporaryDir show;
    const QString intro = show.filePath(QStringLiteral("intro.wav"));
    const QString applause = show.filePath(QStringLiteral("applause.wav"));
    const QString bows = show.filePath(QStringLiteral("bows.wav"));
    const QString thunder = show.filePath(QStringLiteral("thunder.wav"));
    const QString rain = show.filePath(QStringLiteral("rain.wav"));
    for (const QString& path : {intro, applause, bows, thunder, rain}) {
        if (!writeSilentWave(path)) {
            std::fprintf(stderr, "velmora-settings-screenshot: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    AudioFileConfig cues;
    const struct
    {
        int slot;
        QString file;
        quint16 hour, minute, seconds, frame;
        double levelDb;
        int fadeInMs, fadeOutMs;
        QString output;
    } shown[] = {{0, intro, 0, 0, 10, 12, -3, 0, 2000, {}},
                 {1, show.filePath(QStringLiteral("walk-in music.wav")), 0, 5, 0, 0, 0, 0, 0, {}},
                 {2, applause, 1, 20, 0, 0, -6, 500, 3000, QStringLiteral("alsa_output.usb-stage")},
                 {3, bows, 1, 20, 0, 0, 0, 0, 0, {}},
                 {4, thunder, 1, 30, 0, 0, 4.5, 0, 0, {}},
                 {5, rain, 1, 30, 0, 20, -10, 1500, 1000, QStringLiteral("alsa_output.usb-pa")}};
    for (const auto& cue : shown) {
        cues.file[cue.slot] = cue.file;
        cues.hour[cue.slot] = cue.hour;
        cues.minute[cue.slot] = cue.minute;
        cues.seconds[cue.slot] = cue.seconds;
        cues.frame[cue.slot] = cue.frame;
        cues.levelDb[cue.slot] = cue.levelDb;
        cues.fadeInMs[cue.slot] = cue.fadeInMs;
        cues.fadeOutMs[cue.slot] = cue.fadeOutMs;
        cues.output[cue.slot] = cue.output;
    }
    // The outputs of a show machine with a second sound card for the stage; the PA's USB interface
    // (rain's output) is unplugged.
    SettingsEnvironment environment;
    environment.listOutputs = [](std::function<void(const QList<SoundOutput>&)> answer) {
        answer(
            {{QStringLiteral("alsa_output.pci-0000_00_1f.3.analog-stereo"), QStringLiteral("Built-in Audio")},
             {QStringLiteral("alsa_output.usb-stage"), QStringLiteral("Stage monitors")}});
    };
    Settings dialog(&cues, nullptr, environment);
    dialog.show();
    dialog.move(0, 0);
    dialog.raise();
    dialog.activateWindow();
    // The rows as they look once their files have been checked, not while they say "checking".
    if (!QTest::qWaitFor([&] { return !dialog.checkingFiles(); }, 10000)) {
        std::fprintf(stderr, "velmora-settings-screenshot: the files were not checked within 10 s\n");
        return 1;
    }
    QTest::qWait(500);

    if (!application.savePng(application.shownPixels(dialog), output))
        return 1;
    std::printf("drew the settings dialog in the %s style\n", qPrintable(QApplication::style()->name()));
    return 0;
}
