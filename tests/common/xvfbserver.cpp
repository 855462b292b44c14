#include "xvfbserver.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

XvfbServer::~XvfbServer()
{
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

bool XvfbServer::start(int width, int height)
{
    int channel[2];
    if (pipe(channel) != 0) {
        failure = "no pipe for Xvfb's display number";
        return false;
    }
    const QByteArray screen = QByteArray::number(width) + 'x' + QByteArray::number(height) + "x24";
    const QByteArray fd = QByteArray::number(channel[1]);
    pid = fork();
    if (pid == 0) {
        close(channel[0]);
        // The server ends with the test even when the test aborts, and keeps none of its output
        // streams open, which would keep ctest waiting for them.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int quiet = open("/dev/null", O_RDWR);
        dup2(quiet, STDIN_FILENO);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.constData(), "-screen", "0", screen.constData(), "-nolisten",
               "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(channel[1]);
    if (pid < 0) {
        close(channel[0]);
        failure = "cannot start Xvfb: " + QByteArray(strerror(errno));
        return false;
    }
    // Xvfb writes its display number once it accepts clients.
    QByteArray number;
    pollfd wait{channel[0], POLLIN, 0};
    while (!number.endsWith('\n') && poll(&wait, 1, 20000) > 0) {
        char buffer[16];
        const ssize_t got = read(channel[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        number.append(buffer, got);
    }
    close(channel[0]);
    number = number.trimmed();
    if (number.isEmpty()) {
        int status = 0;
        const bool ended = waitpid(pid, &status, WNOHANG) == pid;
        if (ended)
            pid = -1;
        failure = ended && WIFEXITED(status) && WEXITSTATUS(status) == 127
                      ? "Xvfb is not installed (Debian package xvfb)"
                      : "Xvfb did not report a display";
        return false;
    }
    displayName = ':' + number;
    return true;
}

QProcessEnvironment XvfbServer::environment(QProcessEnvironment base) const
{
    base.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(displayName));
    base.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    base.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return base;
}
