#include "windowharness.h"

#include "cues/settings.h"
#include "cues/settingsstore.h"

#include <QApplication>
#include <QPushButton>
#include <QSettings>
#include <QTest>

WindowHarness::WindowHarness(const AudioFileConfig& cues, bool lcd, SoundFactory sounds,
                             std::function<void(MainWindowEnvironment&)> adjust)
    : nodePort(freeUdpPort())
{
    RemoveAllSettings();
    SaveAudioConfig(&cues);
    if (lcd) {
        QSettings store(QString::fromLatin1(settingsOrganisation), QString::fromLatin1(settingsApplication));
        store.setValue(QStringLiteral("UseLcd"), true);
    }
    MainWindowEnvironment environment;
    environment.node.port = nodePort;
    environment.node.listInterfaces = loopbackInterfaces;
    environment.node.writeDiagnostic = [this](const QString& line) { diagnostics.append(line); };
    environment.makeSound = sounds ? sounds : recorder.factory();
    environment.chooseFile = fileChooser.chooser();
    if (adjust)
        adjust(environment);
    mainWindow = std::make_unique<MainWindow>(nullptr, environment);
    mainWindow->resize(640, 400);
    mainWindow->show();
}

WindowHarness::~WindowHarness() = default;

void WindowHarness::sendTimecode(const QString& from, quint8 hours, quint8 minutes, quint8 seconds,
                                 quint8 frames, quint8 type)
{
    const ArtTimecode expected{frames, seconds, minutes, hours, type};
    // This very datagram, not just its timecode in the table: a parked sender sends the same
    // timecode again, and the table already shows it before the new datagram is in.
    bool arrived = false;
    QObject watch;
    QObject::connect(&node(), &artnet::timecodeReceived, &watch,
                     [&](int source, const ArtTimecode& timecode) {
                         QHostAddress address;
                         ArtTimecode stored;
                         if (timecode == expected && node().getTimecodeSource(&stored, &address, source) &&
                             address.toString() == from)
                             arrived = true;
                     });
    queueTimecode(from, hours, minutes, seconds, frames, type);
    QTRY_VERIFY_WITH_TIMEOUT(arrived, 2000);
    waitForTicks();
}

void WindowHarness::queueTimecode(const QString& from, quint8 hours, quint8 minutes, quint8 seconds,
                                  quint8 frames, quint8 type)
{
    std::unique_ptr<LoopbackPeer>& sender = senders[from];
    if (!sender)
        sender = std::make_unique<LoopbackPeer>(from);
    sender->sendTo(timecodePacket(hours, minutes, seconds, frames, type), nodePort);
}

void WindowHarness::runOnto(const QString& from, quint8 hours, quint8 minutes, quint8 seconds)
{
    const int second = (hours * 60 + minutes) * 60 + seconds - 1;
    sendTimecode(from, quint8(second / 3600 % 24), quint8(second / 60 % 60), quint8(second % 60), 24);
    sendTimecode(from, hours, minutes, seconds, 0);
}

void WindowHarness::waitForTicks(int ticks)
{
    QTest::qWait(ticks * MainWindow::DisplayIntervalMs + 10);
}

void WindowHarness::clickButton(const char* name)
{
    auto* button = mainWindow->findChild<QPushButton*>(QLatin1String(name));
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

Settings* WindowHarness::openSettings()
{
    auto* edit = mainWindow->findChild<QPushButton*>(QStringLiteral("editButton"));
    if (!edit)
        return nullptr;
    QTest::mouseClick(edit, Qt::LeftButton);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* settings = qobject_cast<Settings*>(widget); settings && settings->isVisible()) {
            if (!QTest::qWaitFor([settings] { return !settings->checkingFiles(); }, 10000))
                qWarning("the settings dialog's files were not checked within 10 s");
            return settings;
        }
    }
    return nullptr;
}

QString WindowHarness::labelText(const char* name) const
{
    const auto* label = mainWindow->findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

QString WindowHarness::lcdText(const char* name) const
{
    const auto* lcd = mainWindow->findChild<QLCDNumber*>(QLatin1String(name));
    if (!lcd)
        return QStringLiteral("<no %1>").arg(QLatin1String(name));
    return lcdShows(*lcd, lcd->accessibleName())
               ? lcd->accessibleName()
               : QStringLiteral("<%1 does not show \"%2\">").arg(QLatin1String(name), lcd->accessibleName());
}

std::function<void(MainWindowEnvironment&)> onClock(ManualClock& clock)
{
    return [&clock](MainWindowEnvironment& environment) { clock.install(environment.node); };
}

bool lcdShows(const QLCDNumber& lcd, const QString& text)
{
    // QLCDNumber keeps no text that could be read back; a second one of the same make and size
    // beside it (so with the same style and colours) that is told the text must draw the same
    // segments. It is never shown.
    QLCDNumber reference(lcd.parentWidget());
    reference.setDigitCount(lcd.digitCount());
    reference.setSegmentStyle(lcd.segmentStyle());
    reference.setMode(lcd.mode());
    reference.setSmallDecimalPoint(lcd.smallDecimalPoint());
    reference.setFrameStyle(lcd.frameStyle());
    reference.setLineWidth(lcd.lineWidth());
    reference.setAutoFillBackground(lcd.autoFillBackground());
    reference.setPalette(lcd.palette());
    reference.resize(lcd.size());
    reference.display(text);
    const QImage shown = const_cast<QLCDNumber&>(lcd).grab().toImage();
    return !shown.isNull() && shown == reference.grab().toImage();
}

int WindowHarness::lcdDigits(const char* name) const
{
    const auto* lcd = mainWindow->findChild<QLCDNumber*>(QLatin1String(name));
    return lcd ? lcd->digitCount() : -1;
}

AudioFileConfig cueList(const QList<CueEntry>& entries)
{
    AudioFileConfig config;
    for (const CueEntry& entry : entries) {
        config.file[entry.slot] = entry.file;
        config.hour[entry.slot] = entry.hour;
        config.minute[entry.slot] = entry.minute;
        config.seconds[entry.slot] = entry.seconds;
        config.frame[entry.slot] = entry.frame;
    }
    return config;
}
