#include "pulsenullsink.h"

#include <QDeadlineTimer>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

namespace {

constexpr int StartTimeoutMs = 10'000;
constexpr int BytesPerFrame = PulseNullSink::Channels * 2;
constexpr int ReservedSeconds = 240;

// A test that crashes must not leave a sound server or a recorder behind.
void endWithParent()
{
    prctl(PR_SET_PDEATHSIG, SIGTERM);
}

} // namespace

const QString PulseNullSink::FirstSink = QStringLiteral("nullsink");
const QString PulseNullSink::SecondSink = QStringLiteral("secondsink");

QString PulseNullSink::monitorSource()
{
    return FirstSink + QStringLiteral(".monitor");
}

PulseNullSink::PulseNullSink()
{
    server.setChildProcessModifier(endWithParent);
    recorder.setChildProcessModifier(endWithParent);
    secondRecorder.setChildProcessModifier(endWithParent);
    QObject::connect(&recorder, &QProcess::readyReadStandardOutput, [this] { readRecording(); });
    QObject::connect(&secondRecorder, &QProcess::readyReadStandardOutput, [this] { readSecondRecording(); });
}

PulseNullSink::~PulseNullSink()
{
    for (QProcess* process : {&recorder, &secondRecorder, &server}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
}

bool PulseNullSink::start()
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (program.isEmpty())
        return fail(QStringLiteral("pulseaudio is not installed"));
    if (QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty())
        return fail(QStringLiteral("parec and pactl (pulseaudio-utils) are not installed"));
    if (!runtimeDir.isValid())
        return fail(QStringLiteral("no temporary folder for the sound server"));

    // The server keeps its socket, cookie and state in the test's folder, and takes clients
    // without the cookie, so it neither meets nor disturbs a user's own server.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), runtimeDir.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("PULSE_STATE_PATH"), runtimeDir.filePath(QStringLiteral("state")));
    server.setProcessEnvironment(environment);
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.setStandardOutputFile(QProcess::nullDevice());
    server.start(program, {QStringLiteral("--daemonize=no"), QStringLiteral("--system=false"),
                           QStringLiteral("-n"), QStringLiteral("--exit-idle-time=-1"),
                           QStringLiteral("--disallow-exit"), QStringLiteral("--disable-shm=true"),
                           QStringLiteral("--use-pid-file=false"), QStringLiteral("--log-level=error"),
                           QStringLiteral("--load=module-null-sink norewinds=1 sink_name=") + FirstSink,
                           QStringLiteral("--load=module-null-sink norewinds=1 sink_name=") + SecondSink,
                           QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1")});
    if (!server.waitForStarted(StartTimeoutMs))
        return fail(QStringLiteral("pulseaudio did not start: ") + server.errorString());

    serverAddress = QStringLiteral("unix:") + runtimeDir.filePath(QStringLiteral("pulse/native"));
    const QDeadlineTimer deadline(StartTimeoutMs);
    while (true) {
        QProcess probe;
        probe.setStandardOutputFile(QProcess::nullDevice());
        probe.setStandardErrorFile(QProcess::nullDevice());
        probe.start(QStringLiteral("pactl"),
                    {QStringLiteral("--server=") + serverAddress, QStringLiteral("info")});
        if (probe.waitForFinished(StartTimeoutMs) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0)
            break;
        if (server.state() == QProcess::NotRunning)
            return fail(
                QStringLiteral("pulseaudio ended at start-up with exit code %1").arg(server.exitCode()));
        if (deadline.hasExpired())
            return fail(QStringLiteral("pulseaudio did not accept clients"));
        QThread::msleep(50);
    }
    // Of two sinks alike the server may take either as its default: the first is said to be it.
    QProcess choose;
    choose.start(QStringLiteral("pactl"), {QStringLiteral("--server=") + serverAddress,
                                           QStringLiteral("set-default-sink"), FirstSink});
    if (!choose.waitForFinished(StartTimeoutMs) || choose.exitCode() != 0)
        return fail(QStringLiteral("pactl could not set the default output"));
    qputenv("PULSE_SERVER", serverAddress.toLocal8Bit());
    return true;
}

void PulseNullSink::kill()
{
    for (QProcess* process : {&server, &recorder, &secondRecorder}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->kill();
        process->waitForFinished(5000);
    }
    readRecording();
}

QString PulseNullSink::errorString() const
{
    return error;
}

bool PulseNullSink::startRecording(const QString& sink)
{
    if (serverAddress.isEmpty())
        return fail(QStringLiteral("the sound server is not running"));
    const bool first = sink != SecondSink;
    QProcess& recorder = first ? this->recorder : secondRecorder;
    QByteArray& recorded = first ? this->recorded : secondRecorded;
    recorded.clear();
    // Room for a few minutes at once: growing a recording of many megabytes copies it, which
    // stops the thread that reads it (the window's, in a benchmark) for tens of milliseconds.
    recorded.reserve(qsizetype(ReservedSeconds) * SampleRate * BytesPerFrame);
    if (first)
        frameZeroKnown = false;
    recorder.start(QStringLiteral("parec"),
                   {QStringLiteral("--server=") + serverAddress,
                    QStringLiteral("--device=") + (first ? FirstSink : SecondSink) + ".monitor",
                    QStringLiteral("--format=s16le"), QStringLiteral("--rate=%1").arg(SampleRate),
                    QStringLiteral("--channels=%1").arg(Channels), QStringLiteral("--latency-msec=10"),
                    QStringLiteral("--raw")});
    if (!recorder.waitForStarted(StartTimeoutMs))
        return fail(QStringLiteral("parec did not start: ") + recorder.errorString());
    clock.start();
    // The monitor delivers nothing for about its first second.
    const QDeadlineTimer deadline(StartTimeoutMs);
    while (recorded.isEmpty()) {
        if (deadline.hasExpired() || recorder.state() != QProcess::Running)
            return fail(QStringLiteral("parec recorded nothing"));
        if (recorder.waitForReadyRead(100))
            first ? readRecording() : readSecondRecording();
    }
    return true;
}

QByteArray PulseNullSink::recording(const QString& sink)
{
    if (sink == SecondSink) {
        readSecondRecording();
        return secondRecorded;
    }
    readRecording();
    return recorded;
}

void PulseNullSink::readSecondRecording()
{
    secondRecorded += secondRecorder.readAllStandardOutput();
}

qint64 PulseNullSink::currentFrame()
{
    readRecording();
    if (!frameZeroKnown)
        return 0;
    return (clock.nsecsElapsed() - frameZeroNanoseconds) * SampleRate / 1'000'000'000;
}

void PulseNullSink::readRecording()
{
    const QByteArray block = recorder.readAllStandardOutput();
    if (block.isEmpty())
        return;
    const qint64 now = clock.nsecsElapsed();
    recorded += block;
    const qint64 frames = recorded.size() / BytesPerFrame;
    const qint64 frameZero = now - frames * 1'000'000'000 / SampleRate;
    if (!frameZeroKnown || frameZero < frameZeroNanoseconds) {
        frameZeroNanoseconds = frameZero;
        frameZeroKnown = true;
    }
}

bool PulseNullSink::fail(const QString& reason)
{
    error = reason;
    return false;
}
