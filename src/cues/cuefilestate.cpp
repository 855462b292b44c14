#include "cuefilestate.h"

#include <QFile>
#include <QFileInfo>

namespace {

// "RIFF", the RIFF size, then the form type "WAVE".
constexpr int WaveHeaderSize = 12;

bool hasWaveHeader(const QByteArray& head)
{
    return head.size() >= WaveHeaderSize && head.startsWith("RIFF") && head.mid(8, 4) == "WAVE";
}

} // namespace

CueFileState cueFileState(const QString& path)
{
    if (path.isEmpty())
        return CueFileState::NoFile;
    // A path that holds a zero character cannot name a file; Qt would only warn about it.
    if (path.contains(QChar(u'\0')))
        return CueFileState::Missing;
    const QFileInfo info(path);
    if (!info.exists())
        return CueFileState::Missing;
    if (!info.isReadable())
        return CueFileState::Unreadable;
    // Only a regular file is opened: opening a named pipe would block the window until someone
    // writes to it.
    if (!info.isFile())
        return CueFileState::NotWave;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return CueFileState::Unreadable;
    return hasWaveHeader(file.read(WaveHeaderSize)) ? CueFileState::Playable : CueFileState::NotWave;
}
