#include "settings.h"

#include "cuefilestate.h"
#include "cuestarttime.h"
#include "visiblefilename.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QColor Red(255, 0, 0);
const QColor Orange(255, 127, 0);
const QColor Green(0, 255, 0);

// A file name as wide as about forty characters: longer names are cut in the middle, so that a
// path from the store cannot push the dialog off the screen.
constexpr int FileNameChars = 40;

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
    timeHeader = new QLabel(QStringLiteral("Audio File start at Time Code (hh:mm:ss)"), this);
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
        for (QSpinBox* box : {hourBoxes[slot], minuteBoxes[slot], secondsBoxes[slot]}) {
            if (box)
                colourTimeBox(box, clash ? Red : defaultColor, clash);
        }

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
    if (testSound)
        testSound->play();
}

void Settings::StopAudio()
{
    if (testSound)
        testSound->stop();
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
