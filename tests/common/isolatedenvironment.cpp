// Linked into every test program: before main runs, point the settings store and the runtime
// folder at a temporary folder of this run alone, so that no test reads or writes the user's
// real settings and no two test runs see each other's leftovers; and keep the update check on
// loopback.
#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string temporaryRoot;

void removeTemporaryRoot()
{
    if (!temporaryRoot.empty())
        QDir(QString::fromStdString(temporaryRoot)).removeRecursively();
}

void isolateEnvironment()
{
    char pattern[] = "/tmp/velmora-test-XXXXXX";
    const char* root = mkdtemp(pattern);
    if (!root)
        std::abort();
    temporaryRoot = root;
    const std::string config = temporaryRoot + "/config";
    const std::string runtime = temporaryRoot + "/runtime";
    QDir().mkpath(QString::fromStdString(config));
    QDir().mkpath(QString::fromStdString(runtime));
    QFile::setPermissions(QString::fromStdString(runtime),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    // Every main window checks for updates: no test may ask the maker's real service. A closed
    // port on loopback answers at once; tests that want an answer point this at their own server.
    setenv("VELMORA_UPDATE_URL", "http://127.0.0.1:1/update_check.php?software=velmora", 1);
    if (!getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::atexit(removeTemporaryRoot);
}

struct EnvironmentIsolation
{
    EnvironmentIsolation() { isolateEnvironment(); }
} environmentIsolation;

} // namespace
