#include "cues/audiofileconfig.h"

#include "cues/settingsstore.h"

#include <QSettings>
#include <QVariant>

#include <algorithm>

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

QString followKey()
{
    return QStringLiteral("FollowTimecode");
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

quint16 readCueNumber(const QSettings& settings, const QString& key, quint16 current)
{
    return cueNumber(settings.value(key, int(current)));
}

} // namespace

bool operator==(const AudioFileConfig& a, const AudioFileConfig& b)
{
    return std::equal(a.hour, a.hour + AudioSlotCount, b.hour) &&
           std::equal(a.minute, a.minute + AudioSlotCount, b.minute) &&
           std::equal(a.seconds, a.seconds + AudioSlotCount, b.seconds) &&
           std::equal(a.file, a.file + AudioSlotCount, b.file) && a.followTimecode == b.followTimecode;
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
    }
    // Anything but a true value, as the store writes it, leaves the cues as they always were.
    config->followTimecode = settings.value(followKey(), false).toString() == QLatin1String("true");
}

void SaveAudioConfig(const AudioFileConfig* config)
{
    if (!config)
        return;
    QSettings settings(settingsOrganisation, settingsApplication);
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        settings.setValue(fileKey(slot), config->file[slot]);
        settings.setValue(hourKey(slot), int(config->hour[slot]));
        settings.setValue(minuteKey(slot), int(config->minute[slot]));
        settings.setValue(secondsKey(slot), int(config->seconds[slot]));
    }
    if (config->followTimecode)
        settings.setValue(followKey(), true);
    else
        settings.remove(followKey());
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
    }
    config->followTimecode = false;
}

void RemoveAllSettings()
{
    QSettings settings(settingsOrganisation, settingsApplication);
    // The empty key stands for every key of the scope.
    settings.remove(QString());
}
