#include "cuefilestate.h"

#include "platform/audiofilereader.h"

#include <QFile>
#include <QFileInfo>

namespace {

CueFileAnswer examine(const QString& path, bool measure)
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
        return CueFileState::NotSound;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return CueFileState::Unreadable;
    file.close();
    AudioFileReader reader;
    if (!reader.open(path))
        return CueFileState::NotSound;
    return CueFileAnswer(CueFileState::Playable, measure && reader.sampleRate() > 0
                                                     ? reader.frames() * 1000 / reader.sampleRate()
                                                     : -1);
}

} // namespace

CueFileState cueFileState(const QString& path)
{
    return examine(path, false).state;
}

CueFileAnswer cueFileAnswer(const QString& path)
{
    return examine(path, true);
}
