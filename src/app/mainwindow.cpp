#include "mainwindow.h"

#include "about/aboutinfo.h"
#include "about/productlinks.h"
#include "about/programversion.h"
#include "cuenamelabel.h"
#include "cues/settings.h"
#include "cues/settingsstore.h"
#include "layoutboundary.h"
#include "platform/ltcinput.h"
#include "repaintbatch.h"
#include "show/showstatus.h"
#include "showline.h"
#include "timecodelabel.h"
#include "timecodelcd.h"
#include "timecodetext.h"
#include "update/checksoftwareupdate.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLCDNumber>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QResizeEvent>
#include <QSettings>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace {

QString webLink(const QString& pathAndQuery)
{
    return ProductLinks::webLink(pathAndQuery);
}

template <typename T>
void deleteAndClear(T*& object)
{
    delete object;
    object = nullptr;
}

QFont timeFont(const QWidget* widget)
{
    return QFont(widget->font().family(), TimecodeText::BaseFontSize, QFont::Bold, false);
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : MainWindow(parent, MainWindowEnvironment()) {}

MainWindow::MainWindow(QWidget* parent, MainWindowEnvironment environment)
    : QMainWindow(parent), environment(std::move(environment))
{
    if (!this->environment.makeSound)
        this->environment.makeSound = systemSoundFactory();
    // One clock for the node and the display, so that a test that moves it moves both.
    if (!this->environment.node.clockMs)
        this->environment.node.clockMs = [] {
            return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                              .count());
        };

    downloadLink = ProductLinks::downloadLink();
    helpLink = ProductLinks::helpLink();

    settingsDialog = nullptr;
    audioConfig = new AudioFileConfig;
    SettingsChangedToDefault();
    LoadAudioConfig(audioConfig);

    {
        // "UseLcd" is never written by the program; it is set from outside to choose the display.
        const QSettings store(QString::fromLatin1(settingsOrganisation),
                              QString::fromLatin1(settingsApplication));
        useLcd = store.value(QStringLiteral("UseLcd"), false).toBool();

        artnetNode = new artnet(this->environment.node);
        artnetNode->shareBind = true;
        artnetNode->versInfoH = 0;
        artnetNode->versInfoL = 3;
        artnetNode->oemHi = 12;
        artnetNode->oemLo = 21;
        artnetNode->setNodeNames(
            QStringLiteral("Orvane"),
            QStringLiteral("%1 %2 by ").arg(ProductInfo::Name, ProgramVersion::versionText()) +
                ProductInfo::WebHost);
        artnetNode->setReplyToPoll(true);
        connect(artnetNode, &artnet::timecodeReceived, this, [this](int source, const ArtTimecode& timecode) {
            ArtTimecode last;
            QHostAddress address;
            artnetNode->getTimecodeSource(&last, &address, source);
            HeardTimecode(timecodeSenders.heardArtNet(source, timecode, address.toString()), timecode);
        });
        // A newcomer that took a quiet sender's number is not that sender: its first timecode
        // is compared with nothing.
        connect(artnetNode, &artnet::senderReplaced, this,
                [this](int source) { ForgetSender(timecodeSenders.artNetNumber(source)); });

        ltcInput = new LtcInput(this);
        connect(ltcInput, &LtcInput::timecodeDecoded, this, [this](const ArtTimecode& timecode) {
            HeardTimecode(timecodeSenders.heardLtc(timecode, ltcDescription), timecode);
        });
        connect(ltcInput, &LtcInput::inputDescribed, this,
                [this](const QString& description) { ltcDescription = description; });
        ApplyLtcInput();

        CreateAudioSounds();
        CreateButtons();
        CreateDisplay();
        RestoreWindowPlace();
        setWindowIcon(QIcon(QStringLiteral(":/images/Velmora.png")));

        freewheelTimer = new QTimer(this);
        freewheelTimer->setSingleShot(true);
        freewheelTimer->setTimerType(Qt::PreciseTimer);
        connect(freewheelTimer, &QTimer::timeout, this, &MainWindow::FollowCues);

        displayTimer = new QTimer(this);
        displayTimer->setObjectName(QStringLiteral("displayTimer"));
        connect(displayTimer, &QTimer::timeout, this, &MainWindow::SendTimecodeTimeOut);
        displayTimer->start(DisplayIntervalMs);

        CheckForSoftwareUpdate(false);
    }
}

MainWindow::~MainWindow()
{
    // Its thread stops before anything it reports to goes.
    deleteAndClear(ltcInput);
    CloseSettings();
    if (displayTimer) {
        displayTimer->stop();
        delete displayTimer;
        displayTimer = nullptr;
    }
    deleteAndClear(artnetNode);
    CloseAboutInfo();
    deleteAndClear(updateChecker);
    DeleteAudioSounds();

    // The button row is a child item of the column: take it out before deleting it, so that the
    // column does not delete it a second time.
    if (columnLayout && buttonRow)
        columnLayout->removeItem(buttonRow);
    deleteAndClear(timeLabel);
    deleteAndClear(fpsLabel);
    deleteAndClear(timeLcd);
    deleteAndClear(fpsLcd);
    deleteAndClear(senderLabel);
    deleteAndClear(showLine);
    deleteAndClear(statusLabel);
    deleteAndClear(versionLabel);
    deleteAndClear(homepageLabel);
    deleteAndClear(editButton);
    deleteAndClear(stopButton);
    deleteAndClear(buttonRow);
    deleteAndClear(columnLayout);
    deleteAndClear(mainWidget);
    deleteAndClear(audioConfig);
}

void MainWindow::CreateButtons()
{
    setWindowTitle(tr("Velmora"));

    editButton = new QPushButton(QIcon(QStringLiteral(":/images/edit.xpm")), QString(), this);
    editButton->setObjectName(QStringLiteral("editButton"));
    editButton->setToolTip(tr("Edit timecode audio values"));
    connect(editButton, &QPushButton::clicked, this, &MainWindow::ChangedAudioEdit);

    fullScreenAction = new QAction(tr("Full Screen"), this);
    fullScreenAction->setShortcut(QKeySequence(Qt::Key_F11));
    connect(fullScreenAction, &QAction::triggered, this, &MainWindow::ToggleFullScreen);
    leaveFullScreenAction = new QAction(this);
    leaveFullScreenAction->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(leaveFullScreenAction, &QAction::triggered, this, [this] {
        if (isFullScreen())
            ToggleFullScreen();
    });
    addActions({fullScreenAction, leaveFullScreenAction});

    stopButton = new QPushButton(QIcon(QStringLiteral(":/images/stop.xpm")), QString(), this);
    stopButton->setObjectName(QStringLiteral("stopButton"));
    stopButton->setToolTip(tr("Stop playing audio signal"));
    connect(stopButton, &QPushButton::clicked, this, &MainWindow::ChangedAudioStop);
}

void MainWindow::CreateDisplay()
{
    mainWidget = new QWidget;
    columnLayout = new QVBoxLayout;
    buttonRow = new QHBoxLayout;

    if (useLcd) {
        timeLcd = new TimecodeLcd(this);
        timeLcd->setObjectName(QStringLiteral("timeLcd"));
        timeLcd->setSegmentStyle(QLCDNumber::Flat);
        timeLcd->setDigitCount(11);
        timeLcd->setFrameStyle(QFrame::NoFrame);
        timeLcd->display(tr("--:--:--:--"));
        timeLcd->setAccessibleName(tr("--:--:--:--"));
        fpsLcd = new QLCDNumber(this);
        fpsLcd->setObjectName(QStringLiteral("fpsLcd"));
        fpsLcd->setSegmentStyle(QLCDNumber::Flat);
        fpsLcd->setDigitCount(6);
        fpsLcd->setFrameStyle(QFrame::NoFrame);
        fpsLcd->display(tr("-- fps"));
        fpsLcd->setAccessibleName(tr("-- fps"));
    } else {
        timeLabel = new TimecodeLabel(tr("--:--:--:--"), this);
        timeLabel->setObjectName(QStringLiteral("timeLabel"));
        timeLabel->setAlignment(Qt::AlignCenter);
        timeLabel->setFont(timeFont(timeLabel));
        // The window's size is not the label's: the lines of the displays below it take their
        // share first, and only the layout knows when that changed.
        connect(timeLabel, &TimecodeLabel::resized, this, &MainWindow::ScaleTimeLabelFont);
        fpsLabel = new QLabel(tr("-- fps"), this);
        fpsLabel->setObjectName(QStringLiteral("fpsLabel"));
        fpsLabel->setAlignment(Qt::AlignCenter);
        fpsLabel->setFont(timeFont(fpsLabel));
    }

    senderLabel = new QLabel(tr("0.0.0.0"), this);
    senderLabel->setObjectName(QStringLiteral("senderLabel"));
    senderLabel->setAlignment(Qt::AlignCenter);
    showLine = new ShowLine(this);
    showLine->setObjectName(QStringLiteral("showLine"));
    statusLabel = new CueNameLabel(this);
    statusLabel->setObjectName(QStringLiteral("statusLabel"));
    statusLabel->setAlignment(Qt::AlignCenter);
    versionLabel = new QLabel(tr("%1 %2").arg(ProductInfo::Name, ProgramVersion::versionText()), this);
    versionLabel->setObjectName(QStringLiteral("versionLabel"));
    versionLabel->setAlignment(Qt::AlignCenter);
    homepageLabel =
        new QLabel(webLink(QStringLiteral("/software/download/?Software=Tessaly&CurrentVersion=%1.%2.0.0")
                               .arg(ProgramVersion::Major)
                               .arg(ProgramVersion::Minor)),
                   this);
    homepageLabel->setObjectName(QStringLiteral("homepageLabel"));
    homepageLabel->setAlignment(Qt::AlignCenter);
    homepageLabel->setOpenExternalLinks(true);
    homepageLabel->setToolTip(QStringLiteral("Visit homepage for download updates and help."));

    // The display follows the window, not the other way round: without this, a large timecode
    // font (or many senders) would set a minimum size that keeps the window from shrinking, and
    // each new sender would make the window grow.
    for (QWidget* display :
         {static_cast<QWidget*>(timeLcd), static_cast<QWidget*>(fpsLcd), static_cast<QWidget*>(timeLabel),
          static_cast<QWidget*>(fpsLabel), static_cast<QWidget*>(senderLabel)}) {
        if (display)
            display->setMinimumSize(1, 1);
    }

    columnLayout->addWidget(useLcd ? static_cast<QWidget*>(timeLcd) : new LayoutBoundary(timeLabel, this), 2);
    columnLayout->addWidget(useLcd ? static_cast<QWidget*>(fpsLcd) : fpsLabel, 0);
    columnLayout->addWidget(senderLabel, 0);
    columnLayout->addWidget(showLine, 0);
    columnLayout->addLayout(buttonRow, 0);
    columnLayout->addWidget(versionLabel, 0);
    columnLayout->addWidget(homepageLabel, 0);
    buttonRow->addWidget(statusLabel);
    buttonRow->addStretch();
    buttonRow->addWidget(editButton);
    buttonRow->addWidget(stopButton);

    mainWidget->setLayout(columnLayout);
    setCentralWidget(mainWidget);
}

void MainWindow::SendTimecodeTimeOut()
{
    if (!artnetNode)
        return;
    const RepaintBatch repaint(this);
    artnetNode->readPending();
    // A driver that falls silent sends nothing that would tell the cues: the tick does.
    if (audioConfig && audioConfig->followTimecode)
        FollowCues();
    // A datagram that may start or move a cue is read the moment it arrives; far from the next
    // cue the display, which only draws at the tick anyway, reads them here.
    artnetNode->setReadOnArrival(
        !audioConfig || audioConfig->followTimecode ||
        CueTrigger::startsWithin(senderClocks, *audioConfig, CueSounds(), ReadOnArrivalBeforeCueMs));
    const QString separator = useLcd ? QStringLiteral(" ") : QStringLiteral("\n");
    QString frameRateText;
    QString timeText;
    QString senderText;

    int count = 0;
    const qint64 nowMs = environment.node.clockMs();
    UpdateShowLine(nowMs);
    QList<bool> quiet;
    for (int index = 0; index < timecodeSenders.count(); ++index) {
        const ArtTimecode& timecode = timecodeSenders.at(index).timecode;
        quiet.append(IsQuiet(index, nowMs));
        if (index != 0) {
            frameRateText += separator;
            timeText += separator;
            senderText += separator;
        }
        frameRateText += TimecodeText::frameRateName(timecode.type);
        timeText += TimecodeText::timecode(timecode);
        senderText += timecodeSenders.at(index).label;
        count = index + 1;
    }
    if (count == 0)
        return;

    if (timeLabel) {
        timeLabel->setText(timeText);
        timeLabel->setDimmedLines(quiet);
    }
    if (fpsLabel)
        fpsLabel->setText(frameRateText);
    if (timeLcd) {
        timeLcd->setDigitCount(qMin(12 * count - 1, MaxLcdDigits));
        timeLcd->display(timeText);
        // An LCD keeps its digits to itself; the accessible name lets screen readers (and
        // anything else that looks) read what it shows.
        timeLcd->setAccessibleName(timeText);
        // One display for all senders: it can only say that every one of them went quiet.
        timeLcd->setDimmed(!quiet.contains(false));
    }
    // QLCDNumber repaints itself at every text, even the same one.
    if (fpsLcd && frameRateText != fpsLcd->accessibleName()) {
        fpsLcd->setDigitCount(qMin(7 * count - 1, MaxLcdDigits));
        fpsLcd->display(frameRateText);
        fpsLcd->setAccessibleName(frameRateText);
    }
    if (senderLabel)
        senderLabel->setText(senderText);
    if (count != shownSenders) {
        // A font chosen for fewer lines would cut off the first and last senders.
        shownSenders = count;
        ScaleTimeLabelFont();
    }
}

void MainWindow::CheckCues(int source, const ArtTimecode& timecode)
{
    // The window's one clock, which also tells quiet senders apart.
    const qint64 nowMs = environment.node.clockMs();
    const std::optional<SenderClock::Step> step = senderClocks.see(source, timecode, nowMs);
    if (!audioConfig)
        return;
    if (audioConfig->followTimecode) {
        // As for a start below: the cues follow the last of a burst of datagrams.
        if (!std::exchange(followQueued, true))
            QMetaObject::invokeMethod(
                this,
                [this] {
                    followQueued = false;
                    FollowCues();
                },
                Qt::QueuedConnection);
        return;
    }
    if (!step)
        return;
    cueTrigger.see(source, *step, *audioConfig, CueSounds(), nowMs);
    // Datagrams that queued while the window was held up are dispatched one after the other in
    // one go; the cue starts after the last of them, as far into its file as they have run on.
    if (cueTrigger.hasStart() && !std::exchange(cueStartQueued, true))
        QMetaObject::invokeMethod(
            this, [this] { StartCue(); }, Qt::QueuedConnection);
}

std::array<bool, AudioSlotCount> MainWindow::CueSounds() const
{
    std::array<bool, AudioSlotCount> hasSound{};
    for (int slot = 0; audioSounds && slot < AudioSlotCount; ++slot)
        hasSound[size_t(slot)] = (*audioSounds)[size_t(slot)] != nullptr;
    return hasSound;
}

void MainWindow::HeardTimecode(int source, const ArtTimecode& timecode)
{
    CheckCues(source, timecode);
    NoteTimecodeArrival(source);
}

void MainWindow::ForgetSender(int source)
{
    if (source < 0)
        return;
    senderClocks.forget(source);
    cueTrigger.forget(source);
}

void MainWindow::ApplyLtcInput()
{
    if (!ltcInput || !audioConfig || ltcInput->input() == audioConfig->ltcInput)
        return;
    // Another input is another sender as far as the cues go: its first timecode is compared
    // with nothing.
    ltcDescription.clear();
    ForgetSender(timecodeSenders.ltcNumber());
    ltcInput->setInput(audioConfig->ltcInput);
}

void MainWindow::NoteTimecodeArrival(int source)
{
    // Arrival, not a change of timecode: a parked console keeps sending the same timecode.
    if (source < 0)
        return;
    const qint64 nowMs = environment.node.clockMs();
    while (lastTimecodeMs.size() <= source)
        lastTimecodeMs.append(nowMs);
    lastTimecodeMs[source] = nowMs;
}

bool MainWindow::IsQuiet(int source, qint64 nowMs) const
{
    return source < lastTimecodeMs.size() && nowMs - lastTimecodeMs[source] > QuietAfterMs;
}

void MainWindow::StartCue()
{
    cueStartQueued = false;
    const std::optional<CueTrigger::Start> start = cueTrigger.takeStart();
    if (!start || !audioConfig || !audioSounds)
        return;
    Sound* sound = (*audioSounds)[size_t(start->slot)];
    if (!sound)
        return;
    StopAllSounds();
    sound->playFrom(start->offsetMs);
    statusLabel->setText(QFileInfo(audioConfig->file[start->slot]).fileName());
}

void MainWindow::FollowCues()
{
    if (!audioConfig || !audioSounds)
        return;
    const auto soundOf = [this](int slot) { return slot < 0 ? nullptr : (*audioSounds)[size_t(slot)]; };
    // The sound output says when a file came to its end (or could not go on): that cue is done
    // until its sender comes back into it.
    if (Sound* playing = soundOf(cueFollower.playingSlot()); playing && !playing->isPlaying())
        cueFollower.ended(cueFollower.playingSlot());

    const QList<CueFollower::Action> actions =
        cueFollower.follow(senderClocks, *audioConfig, CueLengths(), environment.node.clockMs());
    for (const CueFollower::Action& action : actions) {
        Sound* sound = soundOf(action.slot);
        if (!sound)
            continue;
        switch (action.kind) {
        case CueFollower::Action::Kind::Start:
            for (Sound* other : *audioSounds) {
                if (other && other != sound && other->isPlaying())
                    other->fadeOut(qMax(CueFollower::StopFadeMs, other->shape().fadeOutMs));
            }
            sound->playFrom(action.placeMs);
            statusLabel->setText(QFileInfo(audioConfig->file[action.slot]).fileName());
            break;
        case CueFollower::Action::Kind::Move:
            sound->playFrom(action.placeMs);
            break;
        case CueFollower::Action::Kind::Stop:
            sound->fadeOut(qMax(CueFollower::StopFadeMs, sound->shape().fadeOutMs));
            break;
        }
    }
    if (const std::optional<qint64> dueMs = cueFollower.freewheelEndsMs(senderClocks))
        freewheelTimer->start(
            int(qBound<qint64>(0, *dueMs - environment.node.clockMs(), CueFollower::FreewheelMs + 1)));
    else
        freewheelTimer->stop();
}

std::array<qint64, AudioSlotCount> MainWindow::CueLengths() const
{
    std::array<qint64, AudioSlotCount> lengths;
    lengths.fill(-1);
    for (int slot = 0; audioSounds && slot < AudioSlotCount; ++slot) {
        if (const Sound* sound = (*audioSounds)[size_t(slot)])
            lengths[size_t(slot)] = sound->lengthMs();
    }
    return lengths;
}

void MainWindow::UpdateShowLine(qint64 nowMs)
{
    if (!showLine || !audioConfig)
        return;
    // The cue that plays, as the sound layer says, and the sender that drives it.
    int slot = -1;
    int driver = -1;
    if (audioConfig->followTimecode) {
        slot = cueFollower.playingSlot();
        driver = cueFollower.driver();
    } else if (const std::optional<CueTrigger::Started> started = cueTrigger.lastStarted()) {
        slot = started->slot;
        driver = started->source;
    }
    const Sound* sound = slot >= 0 && audioSounds ? (*audioSounds)[size_t(slot)] : nullptr;
    if (!sound || !sound->isPlaying())
        slot = driver = -1;

    const int leader = ShowStatus::leadingSender(senderClocks, driver);
    if (leader >= 0 && IsQuiet(leader, nowMs)) {
        // A quiet sender leads no countdown: what it last said stands, faint.
        showLine->setDimmed(true);
        showLineWrittenFrom.reset();
        return;
    }
    const ShowLineInputs inputs{slot,
                                driver,
                                leader,
                                sound ? sound->lengthMs() : -1,
                                senderClocks.at(driver).count(),
                                senderClocks.at(leader).count(),
                                senderClocks.at(driver).type(),
                                senderClocks.at(leader).type()};
    if (showLineWrittenFrom == inputs)
        return;
    showLineWrittenFrom = inputs;
    ShowLine::Content content;
    if (const auto playing = ShowStatus::playing(senderClocks.at(driver), *audioConfig, slot,
                                                 sound ? sound->lengthMs() : -1)) {
        if (showLineWords.playingSlot != slot) {
            showLineWords.playingSlot = slot;
            showLineWords.playing =
                tr("Playing %1  %2").arg(slot).arg(QFileInfo(audioConfig->file[slot]).fileName());
        }
        content.playing = showLineWords.playing;
        // Whole seconds: the times change once a second, not at every frame.
        const std::pair<qint64, qint64> seconds{playing->playedMs / 1000,
                                                playing->leftMs < 0 ? -1 : playing->leftMs / 1000};
        if (showLineWords.timesSeconds != seconds || showLineWords.times.isEmpty()) {
            showLineWords.timesSeconds = seconds;
            showLineWords.times = tr("%1 played   %2 left")
                                      .arg(ShowStatus::minutesText(playing->playedMs),
                                           ShowStatus::minutesText(playing->leftMs));
        }
        content.times = showLineWords.times;
        content.progress = playing->lengthMs > 0 ? int(playing->playedMs * 1000 / playing->lengthMs) : -1;
    }
    if (leader >= 0) {
        if (const auto next = ShowStatus::next(senderClocks.at(leader), *audioConfig, CueSounds())) {
            if (showLineWords.nextSlot != next->slot) {
                showLineWords.nextSlot = next->slot;
                // The start as the dialog sets it; its frame only when the cue has one.
                QString start = QStringLiteral("%1:%2:%3")
                                    .arg(audioConfig->hour[next->slot], 2, 10, QLatin1Char('0'))
                                    .arg(audioConfig->minute[next->slot], 2, 10, QLatin1Char('0'))
                                    .arg(audioConfig->seconds[next->slot], 2, 10, QLatin1Char('0'));
                if (audioConfig->frame[next->slot] != 0)
                    start +=
                        QStringLiteral(":%1").arg(audioConfig->frame[next->slot], 2, 10, QLatin1Char('0'));
                showLineWords.nextHead = tr("Next %1  %2 at %3  in")
                                             .arg(next->slot)
                                             .arg(QFileInfo(audioConfig->file[next->slot]).fileName(), start);
            }
            content.next = showLineWords.nextHead;
            content.countdown = ShowStatus::countdownText(next->frames, next->type);
            content.warning = ShowStatus::isWarning(next->frames, next->type);
        } else {
            content.next = tr("No cue ahead");
        }
    }
    showLine->setContent(content);
}

bool MainWindow::ShowLineInputs::operator==(const ShowLineInputs& other) const
{
    return slot == other.slot && driver == other.driver && leader == other.leader &&
           lengthMs == other.lengthMs && driverCount == other.driverCount &&
           leaderCount == other.leaderCount && driverRate == other.driverRate &&
           leaderRate == other.leaderRate;
}

void MainWindow::ToggleFullScreen()
{
    if (isFullScreen())
        showNormal();
    else
        showFullScreen();
}

void MainWindow::SaveWindowPlace()
{
    // Where the window was (screen, size, full screen) is where it comes back at the next start.
    QSettings store(QString::fromLatin1(settingsOrganisation), QString::fromLatin1(settingsApplication));
    store.setValue(QStringLiteral("WindowGeometry"), saveGeometry());
}

void MainWindow::RestoreWindowPlace()
{
    const QSettings store(QString::fromLatin1(settingsOrganisation),
                          QString::fromLatin1(settingsApplication));
    // Qt puts a window whose screen is gone on the primary one, and ignores bytes it cannot read.
    restoreGeometry(store.value(QStringLiteral("WindowGeometry")).toByteArray());
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    if (!event)
        return;
    ScaleTimeLabelFont();
}

void MainWindow::ScaleTimeLabelFont()
{
    if (!timeLabel)
        return;
    const int size = TimecodeText::shownLabelFontSize(timeLabel->font().family(), timeLabel->text(),
                                                      timeLabel->geometry().size());
    timeLabel->setFont(QFont(timeLabel->font().family(), size, QFont::Bold, false));
}

void MainWindow::CreateAudioSounds()
{
    audioSounds = std::make_unique<SoundArray>();
    audioSounds->fill(nullptr);
    if (!audioConfig)
        return;
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        if (audioConfig->file[slot].isEmpty())
            continue;
        Sound* sound = environment.makeSound(audioConfig->file[slot], this);
        if (sound)
            sound->setShape(cueSoundShape(*audioConfig, slot));
        (*audioSounds)[size_t(slot)] = sound;
    }
}

void MainWindow::DeleteAudioSounds()
{
    if (!audioSounds)
        return;
    for (Sound*& sound : *audioSounds) {
        if (sound) {
            sound->stop();
            delete sound;
            sound = nullptr;
        }
    }
    audioSounds.reset();
}

void MainWindow::ReloadAudioSounds()
{
    cueFollower.reset();
    // Other cues, other files: the show line is written anew.
    showLineWrittenFrom.reset();
    showLineWords = {};
    DeleteAudioSounds();
    CreateAudioSounds();
}

void MainWindow::StopAllSounds()
{
    if (!audioSounds)
        return;
    // Each cue goes with its own fade out; one without is cut, as always.
    for (Sound* sound : *audioSounds) {
        if (sound)
            sound->stopCue();
    }
}

void MainWindow::SettingsChangedToDefault()
{
    ClearAudioConfig(audioConfig);
    ReloadAudioSounds();
    ApplyLtcInput();
    CloseSettings();
}

void MainWindow::SettingsChanged()
{
    StoreWrite saved;
    if (audioConfig) {
        saved = SaveAudioConfig(audioConfig);
        // Saved or not, the window plays the cues as they were just set, for the rest of this run.
        ReloadAudioSounds();
        ApplyLtcInput();
    }
    CloseSettings();
    if (!saved.stored())
        QMessageBox::warning(this, tr("Cues not saved"),
                             tr("The cues could not be saved in %1: %2.\n\nThey play as set until Velmora "
                                "is closed. Put the problem right and press Ok in the cue settings again, or "
                                "they are lost at the next start.")
                                 .arg(saved.fileName, saved.problem));
}

void MainWindow::SettingsChangedToDefaultExtern()
{
    const StoreWrite removed = RemoveAllSettings();
    SettingsChangedToDefault();
    // The emptied slots are written too, as Ok writes them. An empty store loads the same nine
    // empty cues, so only a removal that failed loses what the user asked for.
    if (removed.stored())
        SaveAudioConfig(audioConfig);
    CloseAboutInfo();
    if (!removed.stored())
        QMessageBox::warning(
            this, tr("Settings not emptied"),
            tr("The settings in %1 could not be emptied: %2.\n\nThe cues stay empty until "
               "Velmora is closed; at its next start it plays the cues the file still holds.")
                .arg(removed.fileName, removed.problem));
}

void MainWindow::SettingsChangedCancel()
{
    CloseSettings();
}

void MainWindow::ChangedAudioEdit()
{
    if (!settingsDialog) {
        // The indicator speaks of the input being read; one chosen but not yet read has none.
        const auto ltcSignal = [this](const QString& input) -> std::optional<bool> {
            if (!ltcInput || input != ltcInput->input())
                return std::nullopt;
            return ltcInput->hasSignal();
        };
        SettingsEnvironment dialogEnvironment;
        dialogEnvironment.makeSound = environment.makeSound;
        dialogEnvironment.chooseFile = environment.chooseFile;
        dialogEnvironment.listInputs = environment.listInputs;
        dialogEnvironment.ltcSignal = ltcSignal;
        settingsDialog = new Settings(audioConfig, nullptr, dialogEnvironment);
        connect(settingsDialog, &Settings::valueChanged, this, &MainWindow::SettingsChanged);
        connect(settingsDialog, &Settings::valueChangedToDefault, this,
                &MainWindow::SettingsChangedToDefaultExtern);
        connect(settingsDialog, &Settings::valueChangedCancel, this, &MainWindow::SettingsChangedCancel);
    }
    settingsDialog->show();
    settingsDialog->activateWindow();
}

void MainWindow::ChangedAudioStop()
{
    StopAllSounds();
    // Following the show, the cue would start again at the next datagram: it stays stopped until
    // its sender has left it.
    cueFollower.stopByHand();
    statusLabel->setText(statusLabel->text() + QStringLiteral(" stopped"));
}

void MainWindow::CheckForSoftwareUpdate(bool GiveInfoForNoUpdates)
{
    if (!updateChecker)
        updateChecker = new CheckSoftwareUpdate;
    if (GiveInfoForNoUpdates)
        updateChecker->SetGiveInfoForNoUpdates(true);
    updateChecker->SetUpdateText(
        tr("<center>New version %1 available.</b><br>Download Update here<br>%2</center>")
            .arg(CheckSoftwareUpdate::VersionPlaceholder, downloadLink));
    updateChecker->SetCurrentVersion(ProgramVersion::Major, ProgramVersion::Minor, ProgramVersion::Revision,
                                     ProgramVersion::Build);
    updateChecker->StartUpdateCheck(environment.updateUrl, GiveInfoForNoUpdates
                                                               ? std::chrono::milliseconds(0)
                                                               : environment.automaticUpdateDelay);
}

void MainWindow::CheckForSoftwareUpdate()
{
    CheckForSoftwareUpdate(true);
}

void MainWindow::Help()
{
    QMessageBox::information(this, tr("Help Velmora"),
                             tr("<b>Help</b><br>Please use online help on website<br>%1").arg(helpLink),
                             QMessageBox::Ok, QMessageBox::NoButton);
}

void MainWindow::About()
{
    if (!aboutInfo)
        aboutInfo = new AboutInfo(QStringLiteral(":/images/Velmora.png"), nullptr);
    // Neither raised nor activated: asking again while it is open changes nothing.
    aboutInfo->setVisible(true);
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event)
{
    if (!event)
        return;
    if (!contextMenu)
        CreateContextMenu();
    contextMenu->exec(event->globalPos());
}

void MainWindow::CreateContextMenu()
{
    const auto iconOf = [](const char* path) { return QIcon(QPixmap(QString::fromLatin1(path))); };

    searchUpdatesAction = new QAction(tr("Search Updates"), this);
    searchUpdatesAction->setShortcut(QKeySequence(tr("Ctrl+U")));
    searchUpdatesAction->setStatusTip(tr("Check for newer software of Korvex"));
    searchUpdatesAction->setIcon(iconOf(":/images/check_update.xpm"));
    // triggered(bool) would hand its checked = false to the slot's flag and make the check silent;
    // the user asked, so the outcome is always reported.
    connect(searchUpdatesAction, &QAction::triggered, this, [this] { CheckForSoftwareUpdate(); });

    helpAction = new QAction(tr("Help"), this);
    helpAction->setShortcut(QKeySequence(tr("F1")));
    helpAction->setStatusTip(tr("open help dialog"));
    helpAction->setIcon(iconOf(":/images/helpHelp.xpm"));
    connect(helpAction, &QAction::triggered, this, [this] { Help(); });

    aboutAction = new QAction(tr("About"), this);
    aboutAction->setStatusTip(tr("open about dialog"));
    connect(aboutAction, &QAction::triggered, this, [this] { About(); });

    aboutQtAction = new QAction(tr("About Qt"), this);
    aboutQtAction->setStatusTip(tr("open Qt about dialog"));
    connect(aboutQtAction, &QAction::triggered, qApp, &QApplication::aboutQt);

    quitAction = new QAction(tr("Quit"), this);
    quitAction->setShortcut(QKeySequence(tr("Ctrl+Q")));
    quitAction->setToolTip(tr("Quit Korvex"));
    quitAction->setIcon(iconOf(":/images/quit.xpm"));
    connect(quitAction, &QAction::triggered, this, [this] {
        SaveWindowPlace();
        QCoreApplication::quit();
    });

    contextMenu = new QMenu(this);
    const QList<QAction*> actions{searchUpdatesAction, helpAction, aboutAction, aboutQtAction, quitAction};
    contextMenu->addActions(actions);
    // On the window too, so that their shortcuts work whenever it is active.
    addActions(actions);
    contextMenu->addAction(fullScreenAction);
}

void MainWindow::CloseSettings()
{
    if (!settingsDialog)
        return;
    settingsDialog->hide();
    disconnect(settingsDialog, &Settings::valueChanged, this, &MainWindow::SettingsChanged);
    disconnect(settingsDialog, &Settings::valueChangedToDefault, this,
               &MainWindow::SettingsChangedToDefaultExtern);
    delete settingsDialog;
    settingsDialog = nullptr;
}

void MainWindow::CloseAboutInfo()
{
    if (!aboutInfo)
        return;
    aboutInfo->hide();
    delete aboutInfo;
    aboutInfo = nullptr;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    SaveWindowPlace();
    CloseSettings();
    CloseAboutInfo();
    DeleteAudioSounds();
    event->accept();
}
