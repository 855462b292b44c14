#include "benchenvironment.h"

#include "cues/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <cstdlib>
#include <unistd.h>

BenchEnvironment::BenchEnvironment()
{
    char pattern[] = "/tmp/velmora-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return;
    root = QString::fromLocal8Bit(pattern);
    const QString config = root + QStringLiteral("/config");
    const QString runtime = root + QStringLiteral("/runtime");
    if (!QDir().mkpath(config) || !QDir().mkpath(runtime)) {
        root.clear();
        return;
    }
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setenv("XDG_CONFIG_HOME", config.toLocal8Bit().constData(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit().constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

BenchEnvironment::~BenchEnvironment()
{
    if (!root.isEmpty())
        QDir(root).removeRecursively();
}

void BenchEnvironment::writeWindowSettings(bool useLcd, const QList<int>& cueSeconds) const
{
    QSettings store(QString::fromLatin1(settingsOrganisation), QString::fromLatin1(settingsApplication));
    store.clear();
    store.setValue(QStringLiteral("UseLcd"), useLcd);
    for (int slot = 0; slot < cueSeconds.size(); ++slot) {
        const int seconds = cueSeconds[slot];
        store.setValue(QStringLiteral("audio_file_%1").arg(slot),
                       root + QStringLiteral("/cue%1.wav").arg(slot));
        store.setValue(QStringLiteral("audio_hour_%1").arg(slot), seconds / 3600);
        store.setValue(QStringLiteral("audio_minute_%1").arg(slot), (seconds / 60) % 60);
        store.setValue(QStringLiteral("audio_seconds_%1").arg(slot), seconds % 60);
    }
    store.sync();
}
