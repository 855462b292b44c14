#include "settings.h"

#include "cuefilestate.h"
#include "cuestarttime.h"
#include "visiblefilename.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QColor Red(255, 0, 0);
const QColor Orange(255, 127, 0);
const QColor Green(0, 255, 0);

// A file name as wide as about thirty characters: longer names are cut in the middle, so that a
// path from the store cannot push the dialog off the screen.
constexpr int FileNameChars = 30;
// An output's description can be long ("Built-in Audio Analog Stereo"): its box stays this wide
// and shows the whole of it in its list.
constexpr int OutputBoxWidth = 130;

void colourWidget(QWidget* widget, const QColor& colour)
{
    widget->setPalette(QPalette(colour));
}

// A time box shows the colour only in its frame and arrows, too little to see across a desk; a
// marked one also gets a light tint of it behind its digits.
void colourTimeBox(QSpinBox* box, const QColor& colour, bool marked)
{
    QPalette palette(colour);
    if (marked) {
        const auto towardsWhite = [](int channel) { return (channel + 2 * 255) / 3; };
        palette.setColor(QPalette::Base, QColor(towardsWhite(colour.red()), towardsWhite(colour.green()),
                                                towardsWhite(colour.blue())));
        palette.setColor(QPalette::Text, Qt::black);
    }
    box->setPalette(palette);
}

// A tool tip that shows the path as it is written: Qt takes a tool tip that looks like markup for
// markup, and a path may well look like it.
QString pathToolTip(const QString& path)
{
    return Qt::mightBeRichText(path) ? Qt::convertFromPlainText(path, Qt::WhiteSpaceNoWrap) : path;
}

QSpinBox* timeBox(int maximum, quint16 value, const QString& name)
{
    auto* box = new QSpinBox;
    box->setObjectName(name);
    box->setRange(0, maximum);
    box->setValue(value);
    box->setAlignment(Qt::AlignRight);
    return box;
}

QSpinBox* fadeBox(int value, const QString& name, const QString& toolTip)
{
    auto* box = new QSpinBox;
    box->setObjectName(name);
    box->setRange(0, MaxCueFadeMs);
    box->setSingleStep(100);
    box->setSuffix(QStringLiteral(" ms"));
    box->setValue(value);
    box->setAlignment(Qt::AlignRight);
    box->setToolTip(toolTip);
    return box;
}

// A file's length as the show's running order gives it.
QString lengthText(qint64 ms)
{
    if (ms < 0)
        return {};
    const qint64 seconds = (ms + 500) / 1000;
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QPushButton* iconButton(const char* image, const QString& toolTip, const QString& name)
{
    auto* button = new QPushButton(QIcon(QString::fromLatin1(image)), QString());
    button->setObjectName(name);
    button->setToolTip(toolTip);
    // A hidden button keeps its place, so that the file names stay in one column.
    QSizePolicy policy = button->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    button->setSizePolicy(policy);
    return button;
}

} // namespace

Settings::Settings(AudioFileConfig* config, QWidget* parent, SettingsEnvironment environment)
    : QWidget(parent), environment(std::move(environment))
{
    if (!this->environment.makeSound)
        this->environment.makeSound = systemSoundFactory();
    if (!this->environment.chooseFile)
        this->environment.chooseFile = systemFileChooser();
    if (!this->environment.listOutputs)
        this->environment.listOutputs = systemOutputLister();
    setWindowIcon(QIcon(QStringLiteral(":/images/Velmora.png")));
    SetAudioConfig(config);
    fileChecker = new CueFileChecker(this->environment.checkFile, this);
    connect(fileChecker, &CueFileChecker::checked, this, [this] {
        RefreshRowStates();
        RefreshRowButtons();
    });
    CheckFiles();
    CreateWidgets();
    CreateLayout();
    // The sound server answers on its own time; the rows show the stored outputs until then.
    QPointer<Settings> dialog(this);
    this->environment.listOutputs([dialog](const QList<SoundOutput>& found) {
        QMetaObject::invokeMethod(
            qApp,
            [dialog, found] {
                if (dialog)
                    dialog->ShowOutputs(found);
            },
            Qt::QueuedConnection);
    });
}

Settings::~Settings()
{
    if (testSound)
        testSound->stop();
}

void Settings::SetAudioConfig(AudioFileConfig* config)
{
    targetConfig = config;
    if (config)
        workingConfig = *config;
}

void Settings::CreateWidgets()
{
    setWindowTitle(tr("Settings of Velmora"));

    okButton = new QPushButton(tr("Ok"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setToolTip(tr("press okay for change values"));
    connect(okButton, &QPushButton::clicked, this, &Settings::pressOk);
    defaultButton = new QPushButton(tr("Default"), this);
    defaultButton->setObjectName(QStringLiteral("defaultButton"));
    defaultButton->setToolTip(tr("press default to restore default values"));
    connect(defaultButton, &QPushButton::clicked, this, &Settings::pressDefault);
    cancelButton = new QPushButton(tr("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setToolTip(tr("press cancel for lost your changes"));
    connect(cancelButton, &QPushButton::clicked, this, &Settings::pressCancel);
    followBox = new QCheckBox(tr("Cues follow timecode"), this);
    followBox->setObjectName(QStringLiteral("followBox"));
    followBox->setToolTip(
        tr("Cues start where the timecode is, move with locates and stop when the timecode stops"));
    followBox->setChecked(workingConfig.followTimecode);
    connect(followBox, &QCheckBox::toggled, this, [this](bool on) { workingConfig.followTimecode = on; });
    CreateLtcChoice();

    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        const QString number = QString::number(slot);
        stateIcons[slot] = new QLabel;
        stateIcons[slot]->setObjectName(QStringLiteral("stateIcon") + number);
        // As wide while a file is checked as with its icon, so that the row does not shift.
        stateIcons[slot]->setMinimumSize(QPixmap(QStringLiteral(":/images/state_information.xpm")).size());
        stateIcons[slot]->setAlignment(Qt::AlignCenter);
        // Each box gets its value before it is connected, so building the dialog changes nothing.
        hourBoxes[slot] = timeBox(23, workingConfig.hour[slot], QStringLiteral("hour") + number);
        connect(hourBoxes[slot], &QSpinBox::valueChanged, this, &Settings::Changed);
        minuteBoxes[slot] = timeBox(59, workingConfig.minute[slot], QStringLiteral("minute") + number);
        connect(minuteBoxes[slot], &QSpinBox::valueChanged, this, &Settings::Changed);
        secondsBoxes[slot] = timeBox(59, workingConfig.seconds[slot], QStringLiteral("seconds") + number);
        connect(secondsBoxes[slot], &QSpinBox::valueChanged, this, &Settings::Changed);
        frameBoxes[slot] = timeBox(29, workingConfig.frame[slot], QStringLiteral("frame") + number);
        connect(frameBoxes[slot], &QSpinBox::valueChanged, this, &Settings::Changed);
        levelBoxes[slot] = new QDoubleSpinBox;
        levelBoxes[slot]->setObjectName(QStringLiteral("level") + number);
        levelBoxes[slot]->setRange(MinCueLevelDb, MaxCueLevelDb);
        levelBoxes[slot]->setDecimals(1);
        levelBoxes[slot]->setSuffix(QStringLiteral(" dB"));
        levelBoxes[slot]->setValue(workingConfig.levelDb[slot]);
        levelBoxes[slot]->setAlignment(Qt::AlignRight);
        levelBoxes[slot]->setToolTip(tr("Level of the cue; 0 dB plays the file as it is"));
        connect(levelBoxes[slot], &QDoubleSpinBox::valueChanged, this, &Settings::Changed);
        fadeInBoxes[slot] = fadeBox(workingConfig.fadeInMs[slot], QStringLiteral("fadeIn") + number,
                                    tr("Fade in from silence when the cue starts"));
        connect(fadeInBoxes[slot], &QSpinBox::valueChanged, this, &Settings::Changed);
        fadeOutBoxes[slot] = fadeBox(workingConfig.fadeOutMs[slot], QStringLiteral("fadeOut") + number,
                                     tr("Fade out when the cue is stopped; 0 cuts it"));
        connect(fadeOutBoxes[slot], &QSpinBox::valueChanged, this, &Settings::Changed);
        outputBoxes[slot] = new QComboBox;
        outputBoxes[slot]->setObjectName(QStringLiteral("output") + number);
        outputBoxes[slot]->setFixedWidth(OutputBoxWidth);
        FillOutputBox(slot);
        connect(outputBoxes[slot], &QComboBox::activated, this, &Settings::Changed);
        lengthLabels[slot] = new QLabel(this);
        lengthLabels[slot]->setObjectName(QStringLiteral("length") + number);
        lengthLabels[slot]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        // As wide for every length, bold or not, so that the file buttons stay in one column.
        QFont bold = lengthLabels[slot]->font();
        bold.setBold(true);
        lengthLabels[slot]->setMinimumWidth(QFontMetrics(bold).horizontalAdvance(QStringLiteral("888:88")));
        fileButtons[slot] = new QPushButton(QStringLiteral("..."));
        fileButtons[slot]->setObjectName(QStringLiteral("fileButton") + number);
        fileButtons[slot]->setToolTip(pathToolTip(workingConfig.file[slot]));
        deleteButtons[slot] = iconButton(":/images/delete.xpm", tr("Clear this file from config"),
                                         QStringLiteral("deleteButton") + number);
        playButtons[slot] = iconButton(":/images/play.xpm", tr("Play this file for testing output"),
                                       QStringLiteral("playButton") + number);
        stopButtons[slot] =
            iconButton(":/images/stop.xpm", tr("Stop testing output"), QStringLiteral("stopButton") + number);
        fileNameLabels[slot] = new QLabel(this);
        fileNameLabels[slot]->setObjectName(QStringLiteral("fileName") + number);
        // A file name is never markup, whatever characters it holds.
        fileNameLabels[slot]->setTextFormat(Qt::PlainText);
    }

    defaultColor = okButton->palette().color(QPalette::Window);
    RefreshRowStates();
    RefreshRowButtons();

    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        connect(fileButtons[slot], &QPushButton::clicked, this, [this, slot] { ChangedAudio(slot); });
        connect(deleteButtons[slot], &QPushButton::clicked, this, [this, slot] { DeleteAudio(slot); });
        connect(playButtons[slot], &QPushButton::clicked, this, [this, slot] { PlayAudio(slot); });
        connect(stopButtons[slot], &QPushButton::clicked, this, [this] { StopAudio(); });
    }
}

void Settings::CreateLayout()
{
    timeHeader =
        new QLabel(QStringLiteral("Audio File start at Time Code (hh:mm:ss:ff), level, fades, output"), this);
    fileHeader = new QLabel(QStringLiteral("Audio File Configuration"), this);
    headerRow = new QHBoxLayout;
    headerRow->addWidget(timeHeader);
    headerRow->addStretch();
    headerRow->addWidget(fileHeader);

    mainLayout = new QVBoxLayout;
    mainLayout->addLayout(headerRow);
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        slotRows[slot] = new QHBoxLayout;
        for (QWidget* widget :
             {static_cast<QWidget*>(stateIcons[slot]), static_cast<QWidget*>(hourBoxes[slot]),
              static_cast<QWidget*>(minuteBoxes[slot]), static_cast<QWidget*>(secondsBoxes[slot]),
              static_cast<QWidget*>(frameBoxes[slot]), static_cast<QWidget*>(levelBoxes[slot]),
              static_cast<QWidget*>(fadeInBoxes[slot]), static_cast<QWidget*>(fadeOutBoxes[slot]),
              static_cast<QWidget*>(outputBoxes[slot]), static_cast<QWidget*>(lengthLabels[slot]),
              static_cast<QWidget*>(fileButtons[slot]), static_cast<QWidget*>(deleteButtons[slot]),
              static_cast<QWidget*>(playButtons[slot]), static_cast<QWidget*>(stopButtons[slot]),
              static_cast<QWidget*>(fileNameLabels[slot])})
            slotRows[slot]->addWidget(widget);
        slotRows[slot]->addStretch();
        mainLayout->addLayout(slotRows[slot]);
    }
    followRow = new QHBoxLayout;
    followRow->addWidget(followBox);
    followRow->addStretch();
    followRow->addWidget(ltcHeader);
    followRow->addWidget(ltcBox);
    followRow->addWidget(ltcSignalLabel);
    mainLayout->addLayout(followRow);
    mainLayout->addStretch();
    buttonRow = new QHBoxLayout;
    buttonRow->addWidget(okButton);
    buttonRow->addWidget(defaultButton);
    buttonRow->addWidget(cancelButton);
    mainLayout->addLayout(buttonRow);
    setLayout(mainLayout);
}

bool Settings::checkingFiles() const
{
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        if (!FileState(slot))
            return true;
    }
    return false;
}

void Settings::CheckFiles()
{
    // Every file again, not only a changed one: a file that has appeared or gone since is seen.
    // The checks run beside the window; each row follows when its answer comes.
    for (const QString& path : workingConfig.file)
        fileChecker->check(path);
}

std::optional<CueFileState> Settings::FileState(int slot) const
{
    return fileChecker->state(workingConfig.file[slot]);
}

void Settings::RefreshRowStates()
{
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        const std::optional<CueFileState> fileState = FileState(slot);
        QStringList problems;
        QColor fileColour = defaultColor;
        switch (fileState.value_or(CueFileState::NoFile)) {
        case CueFileState::NoFile:
            break;
        case CueFileState::Missing:
            fileColour = Red;
            problems << tr("File not found");
            break;
        case CueFileState::Unreadable:
            fileColour = Orange;
            problems << tr("File cannot be read");
            break;
        case CueFileState::NotSound:
            fileColour = Orange;
            problems << tr("Not a sound file that Velmora can play");
            break;
        case CueFileState::Playable:
            fileColour = Green;
            break;
        }
        bool ok = problems.isEmpty();
        if (fileButtons[slot])
            colourWidget(fileButtons[slot], fileColour);

        const bool clash = sharesStartTime(workingConfig, slot);
        if (clash) {
            ok = false;
            problems << tr("Another cue starts at the same time; only the upper one plays");
        }
        const QString rates =
            workingConfig.file[slot].isEmpty() ? QString() : ratesWithoutFrame(workingConfig, slot);
        if (!rates.isEmpty())
            problems << tr("Frame %1 never comes at %2 fps: the cue does not start from such a sender")
                            .arg(workingConfig.frame[slot])
                            .arg(rates);
        for (QSpinBox* box : {hourBoxes[slot], minuteBoxes[slot], secondsBoxes[slot], frameBoxes[slot]}) {
            if (box)
                colourTimeBox(box, clash ? Red : defaultColor, clash);
        }
        if (frameBoxes[slot] && !clash)
            colourTimeBox(frameBoxes[slot], rates.isEmpty() ? defaultColor : Orange, !rates.isEmpty());

        const QString& output = workingConfig.output[slot];
        const bool outputMissing = !output.isEmpty() && outputs &&
                                   std::none_of(outputs->cbegin(), outputs->cend(),
                                                [&](const SoundOutput& o) { return o.name == output; });
        if (outputMissing && !workingConfig.file[slot].isEmpty())
            problems << tr("Output %1 is not there now: the cue plays on the default output").arg(output);
        if (outputBoxes[slot])
            colourWidget(outputBoxes[slot], outputMissing ? Orange : defaultColor);

        std::array<qint64, AudioSlotCount> lengths;
        for (int other = 0; other < AudioSlotCount; ++other)
            lengths[size_t(other)] = fileChecker->lengthMs(workingConfig.file[other]);
        const std::optional<qint64> cut = cutShortByMs(workingConfig, lengths, slot);
        if (cut)
            problems << tr("The next cue starts %1 s before this one ends and stops it")
                            .arg(QString::number(double(*cut) / 1000, 'f', 1));
        if (lengthLabels[slot]) {
            lengthLabels[slot]->setText(
                workingConfig.file[slot].isEmpty() ? QString() : lengthText(lengths[size_t(slot)]));
            lengthLabels[slot]->setToolTip(cut ? problems.constLast() : QString());
            QPalette palette = lengthLabels[slot]->palette();
            palette.setColor(QPalette::WindowText, cut ? QColor(200, 60, 0) : palette.color(QPalette::Text));
            lengthLabels[slot]->setPalette(palette);
            QFont font = lengthLabels[slot]->font();
            font.setBold(bool(cut));
            lengthLabels[slot]->setFont(font);
        }
        ok = ok && rates.isEmpty() && !outputMissing && !cut;

        if (stateIcons[slot] && !fileState) {
            // No answer yet: neither fine nor faulty, and saying so.
            stateIcons[slot]->setText(QStringLiteral("…"));
            problems.prepend(tr("Checking the file…"));
            stateIcons[slot]->setToolTip(problems.join(QLatin1Char('\n')));
        } else if (stateIcons[slot]) {
            stateIcons[slot]->setPixmap(QPixmap(ok ? QStringLiteral(":/images/state_information.xpm")
                                                   : QStringLiteral(":/images/state_critical.xpm")));
            stateIcons[slot]->setToolTip(problems.join(QLatin1Char('\n')));
        }
    }
}

void Settings::RefreshRowButtons()
{
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        if (!fileButtons[slot] || !deleteButtons[slot] || !playButtons[slot] || !stopButtons[slot])
            return;
        const QString& path = workingConfig.file[slot];
        fileButtons[slot]->setToolTip(pathToolTip(path));
        const std::optional<CueFileState> fileState = FileState(slot);
        const bool playable = fileState == CueFileState::Playable;
        playButtons[slot]->setVisible(playable);
        stopButtons[slot]->setVisible(playable);
        deleteButtons[slot]->setVisible(!path.isEmpty());
        if (fileNameLabels[slot]) {
            const QFontMetrics metrics = fileNameLabels[slot]->fontMetrics();
            const QString name = metrics.elidedText(visibleFileName(path), Qt::ElideMiddle,
                                                    metrics.averageCharWidth() * FileNameChars);
            fileNameLabels[slot]->setText(fileState ? name : tr("%1 (checking…)").arg(name));
        }
    }
}

QString Settings::ChooseAudioFile()
{
    return environment.chooseFile(this, tr("Choose a music file to open"),
                                  tr("Wave File (*.wav);;") + tr("All Files (*.*)"));
}

void Settings::Changed()
{
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        if (hourBoxes[slot])
            workingConfig.hour[slot] = quint16(hourBoxes[slot]->value());
        if (minuteBoxes[slot])
            workingConfig.minute[slot] = quint16(minuteBoxes[slot]->value());
        if (secondsBoxes[slot])
            workingConfig.seconds[slot] = quint16(secondsBoxes[slot]->value());
        if (frameBoxes[slot])
            workingConfig.frame[slot] = quint16(frameBoxes[slot]->value());
        if (levelBoxes[slot])
            workingConfig.levelDb[slot] = levelBoxes[slot]->value();
        if (fadeInBoxes[slot])
            workingConfig.fadeInMs[slot] = fadeInBoxes[slot]->value();
        if (fadeOutBoxes[slot])
            workingConfig.fadeOutMs[slot] = fadeOutBoxes[slot]->value();
        if (outputBoxes[slot] && outputBoxes[slot]->currentIndex() >= 0)
            workingConfig.output[slot] = outputBoxes[slot]->currentData().toString();
    }
    CheckFiles();
    RefreshRowStates();
}

void Settings::ChangedAudio(int slot)
{
    // Cancelling the chooser keeps the slot's file: looking and changing one's mind must not lose
    // a cue.
    const QString chosen = ChooseAudioFile();
    if (!chosen.isEmpty())
        workingConfig.file[slot] = chosen;
    CheckFiles();
    RefreshRowStates();
    RefreshRowButtons();
}

void Settings::DeleteAudio(int slot)
{
    workingConfig.file[slot].clear();
    RefreshRowStates();
    RefreshRowButtons();
}

void Settings::PlayAudio(int slot)
{
    const QString& path = workingConfig.file[slot];
    if (path.isEmpty())
        return;
    if (testSound && testSound->fileName() != path) {
        testSound->stop();
        delete testSound;
        testSound = nullptr;
    }
    if (!testSound)
        testSound = environment.makeSound(path, this);
    if (testSound) {
        // Heard as the show will play it: at its level, with its fades, on its output.
        testSound->setShape(cueSoundShape(workingConfig, slot));
        testSound->play();
    }
}

void Settings::StopAudio()
{
    if (testSound)
        testSound->stopCue();
}

void Settings::ShowOutputs(const QList<SoundOutput>& found)
{
    outputs = found;
    for (int slot = 0; slot < AudioSlotCount; ++slot)
        FillOutputBox(slot);
    RefreshRowStates();
}

void Settings::FillOutputBox(int slot)
{
    QComboBox* box = outputBoxes[slot];
    if (!box)
        return;
    const QString& chosen = workingConfig.output[slot];
    box->clear();
    box->addItem(tr("Default output"), QString());
    for (const SoundOutput& output : outputs.value_or(QList<SoundOutput>())) {
        box->addItem(output.description.isEmpty() ? output.name : output.description, output.name);
        box->setItemData(box->count() - 1, output.name, Qt::ToolTipRole);
    }
    // A stored output the server does not have now (or has not told yet) stays chosen.
    if (!chosen.isEmpty() && box->findData(chosen) < 0)
        box->addItem(outputs ? tr("%1 (not there)").arg(chosen) : chosen, chosen);
    box->setCurrentIndex(qMax(0, box->findData(chosen)));
}

void Settings::closeEvent(QCloseEvent* event)
{
    StopAudio();
    event->accept();
}

void Settings::pressOk()
{
    if (targetConfig)
        *targetConfig = workingConfig;
    close();
    emit valueChanged();
}

void Settings::pressDefault()
{
    RemoveAllSettings();
    ClearAudioConfig(&workingConfig);
    close();
    emit valueChangedToDefault();
}

void Settings::pressCancel()
{
    close();
    emit valueChangedCancel();
}

void Settings::CreateLtcChoice()
{
    ltcHeader = new QLabel(tr("LTC input:"), this);
    ltcBox = new QComboBox(this);
    ltcBox->setObjectName(QStringLiteral("ltcInputBox"));
    ltcBox->setToolTip(tr("The sound input that carries linear timecode (LTC)"));
    ltcSignalLabel = new QLabel(this);
    ltcSignalLabel->setObjectName(QStringLiteral("ltcSignal"));
    // Until the server answers, the choice holds what is stored, so that Ok keeps it.
    ShowInputs({});
    connect(ltcBox, &QComboBox::currentIndexChanged, this, [this] {
        workingConfig.ltcInput = ltcBox->currentData().toString();
        RefreshLtcSignal();
    });
    if (environment.listInputs)
        environment.listInputs(this, [this](const QList<SoundInput>& inputs) { ShowInputs(inputs); });
    ltcSignalTimer = new QTimer(this);
    connect(ltcSignalTimer, &QTimer::timeout, this, &Settings::RefreshLtcSignal);
    ltcSignalTimer->start(250);
    RefreshLtcSignal();
}

void Settings::ShowInputs(const QList<SoundInput>& inputs)
{
    const QSignalBlocker quiet(ltcBox);
    const QString chosen = workingConfig.ltcInput;
    ltcBox->clear();
    ltcBox->addItem(tr("No LTC input"), QString());
    bool listed = chosen.isEmpty();
    for (const SoundInput& input : inputs) {
        ltcBox->addItem(input.description, input.name);
        listed = listed || input.name == chosen;
    }
    // An input the server does not have now (unplugged, or the list not here yet) stays chosen.
    if (!listed)
        ltcBox->addItem(chosen, chosen);
    ltcBox->setCurrentIndex(ltcBox->findData(chosen));
}

void Settings::RefreshLtcSignal()
{
    const QString input = workingConfig.ltcInput;
    const std::optional<bool> signal =
        input.isEmpty() || !environment.ltcSignal ? std::nullopt : environment.ltcSignal(input);
    QString text;
    if (signal)
        text = *signal ? tr("\u25cf signal") : tr("\u25cb no signal");
    else if (!input.isEmpty())
        text = tr("(read after Ok)");
    if (ltcSignalLabel->text() != text)
        ltcSignalLabel->setText(text);
}
