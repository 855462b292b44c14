#pragma once

#include <QList>
#include <QString>

#include <functional>

class QObject;

// A sound input of the sound server, as the settings dialog offers it.
struct SoundInput
{
    QString name;        // the server's name, which the settings store
    QString description; // what the user reads
};

// Asks the sound server for its inputs beside the GUI thread and calls done on context's thread
// with them (none when there is no server), unless context is gone by then.
using SoundInputLister = std::function<void(QObject* context, std::function<void(QList<SoundInput>)> done)>;

SoundInputLister systemSoundInputLister();

// The server's inputs, asked for on the calling thread; gives up after timeoutMs.
QList<SoundInput> querySoundInputs(int timeoutMs = 2000);
