#pragma once

#include "audiofileconfig.h"
#include "cuefilechecker.h"
#include "platform/filechooser.h"
#include "platform/sound.h"
#include "platform/soundinputs.h"

#include <QColor>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QTimer;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

// What the settings dialog takes from the platform: the sound output for test playback, the file
// chooser, and the check of a cue's file (run away from the window's thread). The defaults are the
// real ones.
struct SettingsEnvironment
{
    SoundFactory makeSound = systemSoundFactory();
    FileChooser chooseFile = systemFileChooser();
    CueFileCheck checkFile = cueFileAnswer;
    OutputLister listOutputs = systemOutputLister();
    // The sound server's inputs, for the LTC input's choice.
    SoundInputLister listInputs = systemSoundInputLister();
    // Whether the named input carries LTC now; nothing when it is not being read (not chosen yet).
    std::function<std::optional<bool>(const QString& input)> ltcSignal = {};
};

// The window in which the user edits the nine cues: per slot the start time and frame, the level,
// the fades, the output, the wave file and its length, and a test playback of it, with each row coloured by
// whether its file can play and whether its start time clashes with another cue. It works on a copy of the
// caller's cue list and writes it back only on Ok; each button reports its outcome through a signal emitted
// as its very last act, because the receiver deletes the dialog while handling it.
class Settings : public QWidget
{
    Q_OBJECT

public:
    Settings(AudioFileConfig* config, QWidget* parent, SettingsEnvironment environment = {});
    ~Settings() override;

    // The list as edited so far; the caller's list changes only on Ok.
    const AudioFileConfig& workingCopy() const { return workingConfig; }
    // Whether a row still waits for the first answer about its file (and shows "checking").
    bool checkingFiles() const;

signals:
    void valueChanged();
    void valueChangedToDefault();
    void valueChangedCancel();

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void pressOk();
    void pressDefault();
    void pressCancel();
    void Changed();

private:
    template <typename Widget>
    using PerSlot = std::array<Widget*, AudioSlotCount>;

    void SetAudioConfig(AudioFileConfig* config);
    void CreateWidgets();
    void CreateLayout();
    void CheckFiles();
    std::optional<CueFileState> FileState(int slot) const;
    void RefreshRowStates();
    void RefreshRowButtons();
    void ShowOutputs(const QList<SoundOutput>& found);
    void FillOutputBox(int slot);
    QString ChooseAudioFile();
    void ChangedAudio(int slot);
    void DeleteAudio(int slot);
    void PlayAudio(int slot);
    void StopAudio();
    void CreateLtcChoice();
    void ShowInputs(const QList<SoundInput>& inputs);
    void RefreshLtcSignal();

    SettingsEnvironment environment;
    QColor defaultColor;
    PerSlot<QPushButton> fileButtons{};
    PerSlot<QPushButton> deleteButtons{};
    PerSlot<QPushButton> playButtons{};
    PerSlot<QPushButton> stopButtons{};
    PerSlot<QSpinBox> hourBoxes{};
    PerSlot<QSpinBox> minuteBoxes{};
    PerSlot<QSpinBox> secondsBoxes{};
    PerSlot<QSpinBox> frameBoxes{};
    PerSlot<QDoubleSpinBox> levelBoxes{};
    PerSlot<QSpinBox> fadeInBoxes{};
    PerSlot<QSpinBox> fadeOutBoxes{};
    PerSlot<QComboBox> outputBoxes{};
    PerSlot<QLabel> lengthLabels{};
    // The sound server's outputs, once it has answered.
    std::optional<QList<SoundOutput>> outputs;
    QLabel* timeHeader = nullptr;
    QLabel* fileHeader = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* defaultButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QCheckBox* followBox = nullptr;
    QLabel* ltcHeader = nullptr;
    QComboBox* ltcBox = nullptr;
    QLabel* ltcSignalLabel = nullptr;
    QTimer* ltcSignalTimer = nullptr;
    QHBoxLayout* followRow = nullptr;
    PerSlot<QLabel> stateIcons{};
    PerSlot<QLabel> fileNameLabels{};
    QHBoxLayout* headerRow = nullptr;
    PerSlot<QHBoxLayout> slotRows{};
    QHBoxLayout* buttonRow = nullptr;
    QVBoxLayout* mainLayout = nullptr;
    AudioFileConfig* targetConfig = nullptr;
    AudioFileConfig workingConfig;
    // The one test playback; a play button replaces it, so that Stop on any row ends it.
    Sound* testSound = nullptr;
    CueFileChecker* fileChecker = nullptr;
};
