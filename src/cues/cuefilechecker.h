#pragma once

#include "cuefilestate.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// How a cue's file is checked. The real check reads the disk (cueFileState); a test or benchmark
// passes one that takes its time, as a slow network share does. It runs on a thread of its own,
// so it must be safe to call from any thread.
using CueFileCheck = std::function<CueFileAnswer(const QString& path)>;

// Checks cue files away from the window's thread, so that a slow disk or a share that answers late
// never holds up the display or the cues: the settings dialog shows a file as being checked until
// its answer comes. The last answer for each path is kept. A path asked for again while its check
// runs is checked once more when that one ends, not once per asking: a time box held down asks many
// times a second.
class CueFileChecker : public QObject
{
    Q_OBJECT

public:
    explicit CueFileChecker(CueFileCheck check, QObject* parent = nullptr);

    // Checks the file at path (again). An empty path names no file and needs no check.
    void check(const QString& path);
    // The last answer for the path; none until its first check has answered.
    std::optional<CueFileState> state(const QString& path) const;
    // The file's length in ms from its last check; -1 when unknown.
    qint64 lengthMs(const QString& path) const;

signals:
    // An answer for path has come; state(path) has it.
    void checked(const QString& path);

private:
    struct Entry
    {
        std::optional<CueFileState> state;
        qint64 lengthMs = -1;
        bool running = false;
        bool again = false;
    };

    void start(const QString& path);
    void answered(const QString& path, const CueFileAnswer& answer);

    CueFileCheck checkFile;
    QHash<QString, Entry> entries;
};
