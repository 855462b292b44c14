#include "cuefilechecker.h"

#include "audiofileconfig.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>

#include <memory>

namespace {

// Threads of the checks' own, one per cue at most: a check that hangs on a dead share holds up
// neither Qt's shared pool nor the checks of the other cues.
QThreadPool& checkThreads()
{
    static QThreadPool pool;
    static const bool sized = [] {
        pool.setMaxThreadCount(AudioSlotCount);
        return true;
    }();
    Q_UNUSED(sized);
    return pool;
}

} // namespace

CueFileChecker::CueFileChecker(CueFileCheck check, QObject* parent)
    : QObject(parent), checkFile(check ? std::move(check) : CueFileCheck(cueFileState))
{}

void CueFileChecker::check(const QString& path)
{
    if (path.isEmpty())
        return;
    Entry& entry = entries[path];
    if (entry.running) {
        entry.again = true;
        return;
    }
    start(path);
}

std::optional<CueFileState> CueFileChecker::state(const QString& path) const
{
    if (path.isEmpty())
        return CueFileState::NoFile;
    const auto found = entries.constFind(path);
    return found == entries.cend() ? std::nullopt : found->state;
}

qint64 CueFileChecker::lengthMs(const QString& path) const
{
    const auto found = entries.constFind(path);
    return found == entries.cend() ? -1 : found->lengthMs;
}

void CueFileChecker::start(const QString& path)
{
    Entry& entry = entries[path];
    entry.running = true;
    entry.again = false;
    // The answer comes back on this object's thread through a watcher that is a child of this
    // object, so not at all once it is gone: a dialog closed while a share still thinks is simply
    // not told.
    auto promise = std::make_shared<QPromise<CueFileAnswer>>();
    auto* watcher = new QFutureWatcher<CueFileAnswer>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, path] {
        const CueFileAnswer answer = watcher->result();
        watcher->deleteLater();
        answered(path, answer);
    });
    watcher->setFuture(promise->future());
    checkThreads().start([promise, check = checkFile, path] {
        promise->start();
        promise->addResult(check(path));
        promise->finish();
    });
}

void CueFileChecker::answered(const QString& path, const CueFileAnswer& answer)
{
    Entry& entry = entries[path];
    entry.state = answer.state;
    entry.lengthMs = answer.lengthMs;
    entry.running = false;
    if (entry.again)
        start(path);
    emit checked(path);
}
