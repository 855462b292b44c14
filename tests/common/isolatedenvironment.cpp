#include "isolatedenvironment.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdlib>

IsolatedEnvironment::IsolatedEnvironment(const char* prefix)
{
    QByteArray pattern = QByteArray("/tmp/") + prefix + "-XXXXXX";
    if (!mkdtemp(pattern.data()))
        return;
    const QString root = QString::fromLocal8Bit(pattern);
    const QString config = root + QStringLiteral("/config");
    const QString runtime = root + QStringLiteral("/runtime");
    if (!QDir().mkpath(config) || !QDir().mkpath(runtime)) {
        QDir(root).removeRecursively();
        return;
    }
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setenv("XDG_CONFIG_HOME", config.toLocal8Bit().constData(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit().constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Every main window checks for updates: no test may ask the maker's real service. A closed
    // port on loopback answers at once; tests that want an answer point this at their own server.
    setenv("VELMORA_UPDATE_URL", "http://127.0.0.1:1/update_check.php?software=velmora", 1);
    rootPath = root;
}

IsolatedEnvironment::~IsolatedEnvironment()
{
    if (!rootPath.isEmpty())
        QDir(rootPath).removeRecursively();
}
