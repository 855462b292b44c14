#pragma once

#include "audiofileconfig.h"

#include <QWidget>

class QPushButton;

// The window in which the user edits the nine cues. It works on a copy of the caller's cue list
// and writes it back only on Ok; each button reports its outcome through a signal emitted as its
// very last act, because the receiver deletes the dialog while handling it.
class Settings : public QWidget
{
    Q_OBJECT

public:
    Settings(AudioFileConfig* config, QWidget* parent);

    const AudioFileConfig& workingCopy() const { return workingConfig; }

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

private:
    void SetAudioConfig(AudioFileConfig* config);

    QPushButton* okButton = nullptr;
    QPushButton* defaultButton = nullptr;
    QPushButton* cancelButton = nullptr;
    AudioFileConfig* targetConfig = nullptr;
    AudioFileConfig workingConfig;
};
