#pragma once

#include "artnet/artnet.h"
#include "cues/audiofileconfig.h"
#include "platform/filechooser.h"
#include "platform/sound.h"
#include "platform/soundinputs.h"
#include "show/cuefollower.h"
#include "show/cuetrigger.h"
#include "show/senderclock.h"
#include "show/timecodesenders.h"
#include "update/updatequery.h"

#include <QMainWindow>

#include <array>
#include <chrono>
#include <memory>

class AboutInfo;
class CheckSoftwareUpdate;
class CueNameLabel;
class LtcInput;
class QAction;
class QMenu;

class QHBoxLayout;
class QLabel;
class QLCDNumber;
class QPushButton;
class QTimer;
class QVBoxLayout;
class Settings;
class ShowLine;
class TimecodeLabel;
class TimecodeLcd;

// What the main window takes from the platform: the node's surroundings, the sound output, the
// settings dialog's file chooser and the update service. The defaults are the real machine.
struct MainWindowEnvironment
{
    NodeEnvironment node; // its clock also tells when a sender has gone quiet
    SoundFactory makeSound = systemSoundFactory();
    FileChooser chooseFile = systemFileChooser();
    SoundInputLister listInputs = systemSoundInputLister(); // the LTC input's choice
    QString updateUrl = updateQueryUrl();
    // The silent check waits until the start-up has settled.
    std::chrono::milliseconds automaticUpdateDelay = std::chrono::seconds(30);
};

// The program's one window: it owns the Art-Net node, the cue list and the cue sounds, shows the
// timecode of every sender large on its 20 ms display tick, and starts the cues as each timecode
// datagram arrives (far from any cue, datagrams are read at the tick).
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int DisplayIntervalMs = 20;
    // QLCDNumber shows at most 99 digits and warns on every larger count.
    static constexpr int MaxLcdDigits = 99;
    // A sender whose last timecode datagram is older than this is drawn dimmed: a console that
    // stopped looks different from one that is parked, which keeps sending the same timecode.
    // Consoles send every frame, so a second is dozens of datagrams lost in a row.
    static constexpr qint64 QuietAfterMs = 1000;
    // From this far before a cue's start, timecode datagrams are handled as they arrive (a start
    // is heard within milliseconds of its frame); further away they wait for the display tick.
    // Far more than a tick, so that a window held up for a moment still reads them in time.
    static constexpr qint64 ReadOnArrivalBeforeCueMs = 2000;

    explicit MainWindow(QWidget* parent = nullptr);
    MainWindow(QWidget* parent, MainWindowEnvironment environment);
    ~MainWindow() override;

    artnet* node() const { return artnetNode; }
    QString downloadLinkText() const { return downloadLink; }
    QString helpLinkText() const { return helpLink; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private slots:
    void SendTimecodeTimeOut();
    void resizeEvent(QResizeEvent* event) override;
    void SettingsChanged();
    void SettingsChangedToDefaultExtern();
    void SettingsChangedCancel();
    void ChangedAudioEdit();
    void ChangedAudioStop();
    void CheckForSoftwareUpdate(bool GiveInfoForNoUpdates);
    void CheckForSoftwareUpdate();
    void Help();
    void About();

private:
    using SoundArray = std::array<Sound*, AudioSlotCount>;

    void CreateButtons();
    void CreateDisplay();
    void CreateAudioSounds();
    void DeleteAudioSounds();
    void ReloadAudioSounds();
    void SettingsChangedToDefault();
    void CloseSettings();
    void CloseAboutInfo();
    void StopAllSounds();
    void CheckCues(int source, const ArtTimecode& timecode);
    void HeardTimecode(int source, const ArtTimecode& timecode);
    void ForgetSender(int source);
    void ApplyLtcInput();
    void NoteTimecodeArrival(int source);
    bool IsQuiet(int source, qint64 nowMs) const;
    void StartCue();
    void FollowCues();
    std::array<qint64, AudioSlotCount> CueLengths() const;
    // Which slots have a sound to play.
    std::array<bool, AudioSlotCount> CueSounds() const;
    void CreateContextMenu();
    void ScaleTimeLabelFont();
    void UpdateShowLine(qint64 nowMs);
    void ToggleFullScreen();
    void SaveWindowPlace();
    void RestoreWindowPlace();

    MainWindowEnvironment environment;
    AudioFileConfig* audioConfig = nullptr;
    Settings* settingsDialog = nullptr;
    std::unique_ptr<SoundArray> audioSounds;
    artnet* artnetNode = nullptr;
    QMenu* contextMenu = nullptr;
    QAction* searchUpdatesAction = nullptr;
    QAction* helpAction = nullptr;
    QAction* aboutAction = nullptr;
    QAction* aboutQtAction = nullptr;
    QAction* quitAction = nullptr;
    // Made with the window, so that F11 and Escape work from the start.
    QAction* fullScreenAction = nullptr;
    QAction* leaveFullScreenAction = nullptr;
    AboutInfo* aboutInfo = nullptr;
    CheckSoftwareUpdate* updateChecker = nullptr;
    QString downloadLink;
    QString helpLink;
    bool useLcd = false;
    QTimer* displayTimer = nullptr;
    TimecodeLabel* timeLabel = nullptr;
    TimecodeLcd* timeLcd = nullptr;
    QLabel* fpsLabel = nullptr;
    QLCDNumber* fpsLcd = nullptr;
    QLabel* senderLabel = nullptr;
    ShowLine* showLine = nullptr;
    CueNameLabel* statusLabel = nullptr;
    QPushButton* editButton = nullptr;
    QPushButton* stopButton = nullptr;
    QLabel* versionLabel = nullptr;
    QLabel* homepageLabel = nullptr;
    QHBoxLayout* buttonRow = nullptr;
    QVBoxLayout* columnLayout = nullptr;
    QWidget* mainWidget = nullptr;
    // Every sender of timecode, Art-Net and LTC, numbered as first heard: what the display shows
    // and the number by which the cue rules and the lines below know a sender.
    TimecodeSenders timecodeSenders;
    LtcInput* ltcInput = nullptr;
    QString ltcDescription;
    // Every sender's trusted clock, which the cue rules read.
    SenderClocks senderClocks;
    CueTrigger cueTrigger;
    bool cueStartQueued = false;
    CueFollower cueFollower;
    bool followQueued = false;
    // Stops a followed cue as soon as its driver's freewheel time runs out, not at the next tick.
    QTimer* freewheelTimer = nullptr;
    int shownSenders = 0;
    // Per sender, by its number: when its last timecode arrived.
    QList<qint64> lastTimecodeMs;
    // What the show line was last written from. Most ticks find no new frame: they write nothing.
    struct ShowLineInputs
    {
        int slot = -1;
        int driver = -1;
        int leader = -1;
        qint64 lengthMs = -1;
        std::optional<qint64> driverCount;
        std::optional<qint64> leaderCount;
        quint8 driverRate = 0;
        quint8 leaderRate = 0;
        bool operator==(const ShowLineInputs& other) const;
    };
    std::optional<ShowLineInputs> showLineWrittenFrom;
    // The words of the show line that change only with its cues, not at every frame.
    struct ShowLineWords
    {
        int playingSlot = -1;
        QString playing;
        int nextSlot = -1;
        QString nextHead;                       // "Next 4  outro.wav at 00:05:00  in"
        std::pair<qint64, qint64> timesSeconds; // played and left
        QString times;
    };
    ShowLineWords showLineWords;
};
