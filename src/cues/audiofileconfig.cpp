#include "cues/audiofileconfig.h"

#include "cues/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>
#include <QVariant>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace {

QString fileKey(int slot)
{
    return QStringLiteral("audio_file_%1").arg(slot);
}

QString hourKey(int slot)
{
    return QStringLiteral("audio_hour_%1").arg(slot);
}

QString minuteKey(int slot)
{
    return QStringLiteral("audio_minute_%1").arg(slot);
}

QString secondsKey(int slot)
{
    return QStringLiteral("audio_seconds_%1").arg(slot);
}

QString frameKey(int slot)
{
    return QStringLiteral("audio_frame_%1").arg(slot);
}

QString levelKey(int slot)
{
    return QStringLiteral("audio_level_%1").arg(slot);
}

QString fadeInKey(int slot)
{
    return QStringLiteral("audio_fadein_%1").arg(slot);
}

QString fadeOutKey(int slot)
{
    return QStringLiteral("audio_fadeout_%1").arg(slot);
}

QString outputKey(int slot)
{
    return QStringLiteral("audio_output_%1").arg(slot);
}

QString followKey()
{
    return QStringLiteral("FollowTimecode");
}

QString ltcInputKey()
{
    return QStringLiteral("LtcInput");
}

// The store hands back what was written in this run with its original type (a double, a list, a
// 64-bit number), but what comes from the file on disk as text. Reading every value through its
// text makes both cases agree, and keeps a number that does not fit an int from wrapping into an
// arbitrary time: anything that is not a decimal int reads as 0. The field keeps the low 16 bits,
// so -1 reads as 65535.
quint16 cueNumber(const QVariant& value)
{
    const QString text = value.toString();
    // The number parser stops at an embedded NUL, which would let bytes such as "4\0junk" pass as 4.
    if (text.contains(QChar(u'\0')))
        return 0;
    bool ok = false;
    const int number = text.toInt(&ok);
    return ok ? static_cast<quint16>(number) : 0;
}

// The keys that came after the first cue lists: what cannot be read as a sensible value reads as
// absent, so that the cue plays as it did before they existed.
std::optional<int> optionalNumber(const QSettings& settings, const QString& key, int low, int high)
{
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return std::nullopt;
    const QString text = value.toString();
    bool ok = false;
    const int number = text.contains(QChar(u'\0')) ? 0 : text.trimmed().toInt(&ok);
    if (!ok || number < low || number > high)
        return std::nullopt;
    return number;
}

double readLevel(const QSettings& settings, const QString& key)
{
    const QString text = settings.value(key).toString();
    bool ok = false;
    const double level = text.contains(QChar(u'\0')) ? 0 : text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(level))
        return 0;
    return std::clamp(level, MinCueLevelDb, MaxCueLevelDb);
}

// Written when it is not the default, removed when it is.
void storeUnlessDefault(QSettings& settings, const QString& key, const QVariant& value, bool isDefault,
                        QStringList& keys)
{
    if (isDefault) {
        settings.remove(key);
        return;
    }
    settings.setValue(key, value);
    keys << key;
}

quint16 readCueNumber(const QSettings& settings, const QString& key, quint16 current)
{
    return cueNumber(settings.value(key, int(current)));
}

// The store reports only that its file could not be written, not why. The technician needs the
// why (a read-only folder, a full disk) to put it right, so the system is asked by writing a file
// of the store's size beside it, the way the store writes its own.
QString whyNotWritten(const QString& fileName)
{
    const QFileInfo file(fileName);
    if (file.isDir())
        return QStringLiteral("a folder of that name stands in its place");
    if (file.exists() && !file.isWritable())
        return QStringLiteral("the file is read-only");
    const QDir folder = file.absoluteDir();
    if (!folder.exists())
        return QStringLiteral("its folder %1 does not exist and cannot be made").arg(folder.path());
    QTemporaryFile probe(folder.filePath(QStringLiteral(".velmora-write-check-XXXXXX")));
    if (!probe.open())
        return probe.errorString();
    // Straight to the system, past Qt's buffer, whose error on a failed flush names no cause.
    const QByteArray block(int(qMax<qint64>(file.size(), 4096)), '\n');
    for (qsizetype written = 0; written < block.size();) {
        const ssize_t step =
            ::write(probe.handle(), block.constData() + written, size_t(block.size() - written));
        if (step < 0 && errno != EINTR)
            return QString::fromLocal8Bit(std::strerror(errno));
        written += qMax<ssize_t>(step, 0);
    }
    return QStringLiteral("the file could not be written");
}

// Qt 6.4's store does not notice when the last part of its file fails to reach the disk: it puts
// a file cut short in place of the old one and reports no error. Every key it wrote is on a line
// of its own, names and all in plain ASCII, so a file that ends early lacks its final line feed or
// one of the keys.
bool holdsEveryKey(const QString& fileName, const QStringList& keys)
{
    if (keys.isEmpty())
        return true;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = file.readAll();
    if (!text.endsWith('\n'))
        return false;
    return std::all_of(keys.cbegin(), keys.cend(), [&](const QString& key) {
        const QByteArray line = key.toLatin1() + '=';
        return text.startsWith(line) || text.contains('\n' + line);
    });
}

StoreWrite finishWrite(QSettings& settings, const QStringList& writtenKeys)
{
    // Written to disk now, not when the store object goes: only then does its status tell.
    settings.sync();
    StoreWrite result{settings.fileName(), {}};
    if (settings.status() != QSettings::NoError || !holdsEveryKey(result.fileName, writtenKeys))
        result.problem = whyNotWritten(result.fileName);
    return result;
}

} // namespace

bool operator==(const AudioFileConfig& a, const AudioFileConfig& b)
{
    return std::equal(a.hour, a.hour + AudioSlotCount, b.hour) &&
           std::equal(a.minute, a.minute + AudioSlotCount, b.minute) &&
           std::equal(a.seconds, a.seconds + AudioSlotCount, b.seconds) &&
           std::equal(a.frame, a.frame + AudioSlotCount, b.frame) &&
           std::equal(a.file, a.file + AudioSlotCount, b.file) &&
           std::equal(a.levelDb, a.levelDb + AudioSlotCount, b.levelDb) &&
           std::equal(a.fadeInMs, a.fadeInMs + AudioSlotCount, b.fadeInMs) &&
           std::equal(a.fadeOutMs, a.fadeOutMs + AudioSlotCount, b.fadeOutMs) &&
           std::equal(a.output, a.output + AudioSlotCount, b.output) &&
           a.followTimecode == b.followTimecode && a.ltcInput == b.ltcInput;
}

SoundShape cueSoundShape(const AudioFileConfig& config, int slot)
{
    if (slot < 0 || slot >= AudioSlotCount)
        return {};
    return SoundShape{config.levelDb[slot], config.fadeInMs[slot], config.fadeOutMs[slot],
                      config.output[slot]};
}

void LoadAudioConfig(AudioFileConfig* config)
{
    if (!config)
        return;
    const QSettings settings(settingsOrganisation, settingsApplication);
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        config->file[slot] = settings.value(fileKey(slot), config->file[slot]).toString();
        config->hour[slot] = readCueNumber(settings, hourKey(slot), config->hour[slot]);
        config->minute[slot] = readCueNumber(settings, minuteKey(slot), config->minute[slot]);
        config->seconds[slot] = readCueNumber(settings, secondsKey(slot), config->seconds[slot]);
        // Absent or unreadable: the cue as it was before these keys, frame 0, as the file is, no
        // fades, the default output. A frame past any rate would never fire at all.
        config->frame[slot] = quint16(optionalNumber(settings, frameKey(slot), 0, 29).value_or(0));
        config->levelDb[slot] = readLevel(settings, levelKey(slot));
        config->fadeInMs[slot] = optionalNumber(settings, fadeInKey(slot), 0, MaxCueFadeMs).value_or(0);
        config->fadeOutMs[slot] = optionalNumber(settings, fadeOutKey(slot), 0, MaxCueFadeMs).value_or(0);
        config->output[slot] = settings.value(outputKey(slot)).toString();
    }
    // Anything but a true value, as the store writes it, leaves the cues as they always were.
    config->followTimecode = settings.value(followKey(), false).toString() == QLatin1String("true");
    config->ltcInput = settings.value(ltcInputKey(), config->ltcInput).toString();
}

StoreWrite SaveAudioConfig(const AudioFileConfig* config)
{
    if (!config)
        return {};
    QSettings settings(settingsOrganisation, settingsApplication);
    QStringList keys;
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        settings.setValue(fileKey(slot), config->file[slot]);
        settings.setValue(hourKey(slot), int(config->hour[slot]));
        settings.setValue(minuteKey(slot), int(config->minute[slot]));
        settings.setValue(secondsKey(slot), int(config->seconds[slot]));
        keys << fileKey(slot) << hourKey(slot) << minuteKey(slot) << secondsKey(slot);
        storeUnlessDefault(settings, frameKey(slot), int(config->frame[slot]), config->frame[slot] == 0,
                           keys);
        storeUnlessDefault(settings, levelKey(slot), config->levelDb[slot], config->levelDb[slot] == 0, keys);
        storeUnlessDefault(settings, fadeInKey(slot), config->fadeInMs[slot], config->fadeInMs[slot] == 0,
                           keys);
        storeUnlessDefault(settings, fadeOutKey(slot), config->fadeOutMs[slot], config->fadeOutMs[slot] == 0,
                           keys);
        storeUnlessDefault(settings, outputKey(slot), config->output[slot], config->output[slot].isEmpty(),
                           keys);
    }
    if (config->followTimecode) {
        settings.setValue(followKey(), true);
        keys << followKey();
    } else {
        settings.remove(followKey());
    }
    if (!config->ltcInput.isEmpty()) {
        settings.setValue(ltcInputKey(), config->ltcInput);
        keys << ltcInputKey();
    } else {
        settings.remove(ltcInputKey());
    }
    return finishWrite(settings, keys);
}

void ClearAudioConfig(AudioFileConfig* config)
{
    if (!config)
        return;
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        config->file[slot].clear();
        config->hour[slot] = 0;
        config->minute[slot] = 0;
        config->seconds[slot] = 0;
        config->frame[slot] = 0;
        config->levelDb[slot] = 0;
        config->fadeInMs[slot] = 0;
        config->fadeOutMs[slot] = 0;
        config->output[slot].clear();
    }
    config->followTimecode = false;
    config->ltcInput.clear();
}

StoreWrite RemoveAllSettings()
{
    QSettings settings(settingsOrganisation, settingsApplication);
    // The empty key stands for every key of the scope.
    settings.remove(QString());
    return finishWrite(settings, {});
}
