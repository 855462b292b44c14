#pragma once

#include "app/mainwindow.h"
#include "cues/audiofileconfig.h"
#include "manualclock.h"
#include "nodeharness.h"
#include "scriptedfilechooser.h"
#include "soundrecorder.h"

#include <QLCDNumber>
#include <QLabel>

#include <functional>
#include <memory>

// A real main window on the offscreen platform: its node on a private port with the loopback
// network as its only interface, its sounds recorded instead of played, and real ArtTimeCode
// datagrams sent to it over loopback from senders at chosen addresses.
class WindowHarness
{
public:
    // Writes the cue list (and "UseLcd" when lcd is true) to the store, then builds the window;
    // adjust may change the window's environment last.
    explicit WindowHarness(const AudioFileConfig& cues = {}, bool lcd = false, SoundFactory sounds = {},
                           std::function<void(MainWindowEnvironment&)> adjust = {});
    ~WindowHarness();

    MainWindow& window() { return *mainWindow; }
    artnet& node() { return *mainWindow->node(); }
    quint16 port() const { return nodePort; }

    // Sends one ArtTimeCode from the given loopback address and waits until the node holds it
    // and the display tick has seen it.
    void sendTimecode(const QString& from, quint8 hours, quint8 minutes, quint8 seconds, quint8 frames,
                      quint8 type = 1);
    // Sends one ArtTimeCode and returns at once, without letting the window run: datagrams sent
    // one after the other so pile up in the node's socket, as they do while the window is held up.
    void queueTimecode(const QString& from, quint8 hours, quint8 minutes, quint8 seconds, quint8 frames,
                       quint8 type = 1);
    // Sends the last 25 fps frame before hh:mm:ss and then hh:mm:ss:00, as a console that runs
    // onto that time: the cue set there starts.
    void runOnto(const QString& from, quint8 hours, quint8 minutes, quint8 seconds);
    void waitForTicks(int ticks = 2);
    // Clicks the window's push button of that object name ("stopButton", "editButton"), as a
    // user does; fails the test if there is none.
    void clickButton(const char* name);

    QString labelText(const char* name) const;
    // What the LCD's segments show: its accessible name when they draw exactly that text, else a
    // text that says they do not.
    QString lcdText(const char* name) const;
    int lcdDigits(const char* name) const;

    // Opens the settings dialog with the edit button, as a user does, and waits until its rows have
    // the answers about their files; null if no dialog appears.
    Settings* openSettings();

    SoundRecorder recorder;
    ScriptedFileChooser fileChooser;
    QStringList diagnostics;

private:
    quint16 nodePort;
    std::map<QString, std::unique_ptr<LoopbackPeer>> senders;
    std::unique_ptr<MainWindow> mainWindow;
};

// For WindowHarness's adjust: the window runs on the clock, which moves only when the test says
// so; the clock must outlive the window.
std::function<void(MainWindowEnvironment&)> onClock(ManualClock& clock);

// Whether the LCD's segments, as drawn, are those of text.
bool lcdShows(const QLCDNumber& lcd, const QString& text);

// A cue list with the given slots set: slot, file, hh, mm, ss and, if given, ff.
struct CueEntry
{
    int slot;
    QString file;
    quint16 hour;
    quint16 minute;
    quint16 seconds;
    quint16 frame = 0;
};
AudioFileConfig cueList(const QList<CueEntry>& entries);
