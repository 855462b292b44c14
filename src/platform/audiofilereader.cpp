#include "audiofilereader.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstring>

struct AudioFileReader::MemoryFile
{
    QByteArray bytes;
    sf_count_t position = 0;
};

AudioFileReader::AudioFileReader() = default;

AudioFileReader::~AudioFileReader()
{
    close();
}

bool AudioFileReader::open(const QString& fileName)
{
    close();
    const QFileInfo fileInfo(fileName);
    if (fileName.isEmpty() || !fileInfo.exists()) {
        error = QStringLiteral("the file does not exist");
        return false;
    }
    if (fileInfo.isDir()) {
        error = QStringLiteral("it is a folder, not a sound file");
        return false;
    }
    if (!fileInfo.isReadable()) {
        error = QStringLiteral("the file cannot be read (no permission)");
        return false;
    }
    if (fileInfo.size() == 0) {
        error = QStringLiteral("the file is empty");
        return false;
    }
    return checkOpened(sf_open(QFile::encodeName(fileName).constData(), SFM_READ, &info));
}

bool AudioFileReader::openBytes(const QByteArray& bytes)
{
    close();
    if (bytes.isEmpty()) {
        error = QStringLiteral("the file is empty");
        return false;
    }
    memory = std::make_unique<MemoryFile>();
    memory->bytes = bytes;
    static SF_VIRTUAL_IO io = {
        [](void* data) -> sf_count_t { return static_cast<MemoryFile*>(data)->bytes.size(); },
        [](sf_count_t offset, int whence, void* data) -> sf_count_t {
            auto* memoryFile = static_cast<MemoryFile*>(data);
            const sf_count_t size = memoryFile->bytes.size();
            sf_count_t target = offset;
            if (whence == SEEK_CUR)
                target += memoryFile->position;
            else if (whence == SEEK_END)
                target += size;
            if (target < 0 || target > size)
                return -1;
            memoryFile->position = target;
            return target;
        },
        [](void* destination, sf_count_t count, void* data) -> sf_count_t {
            auto* memoryFile = static_cast<MemoryFile*>(data);
            const sf_count_t available = memoryFile->bytes.size() - memoryFile->position;
            const sf_count_t taken = qBound<sf_count_t>(0, count, available);
            std::memcpy(destination, memoryFile->bytes.constData() + memoryFile->position, size_t(taken));
            memoryFile->position += taken;
            return taken;
        },
        [](const void*, sf_count_t, void*) -> sf_count_t { return 0; },
        [](void* data) -> sf_count_t { return static_cast<MemoryFile*>(data)->position; },
    };
    return checkOpened(sf_open_virtual(&io, SFM_READ, &info, memory.get()));
}

bool AudioFileReader::checkOpened(SNDFILE* opened)
{
    if (!opened) {
        if (sf_error(nullptr) == SF_ERR_UNRECOGNISED_FORMAT)
            error = QStringLiteral("not a sound file that Velmora can play");
        else
            error = QString::fromLocal8Bit(sf_strerror(nullptr)).trimmed();
        info = {};
        memory.reset();
        return false;
    }
    file = opened;
    if (info.channels <= 0 || info.samplerate <= 0) {
        error = QStringLiteral("the file has no usable channels or sample rate");
        close();
        return false;
    }
    if (info.frames == 0) {
        error = QStringLiteral("the file holds no sound");
        close();
        return false;
    }
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    floatSamples = subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE;
    error.clear();
    return true;
}

void AudioFileReader::close()
{
    if (file)
        sf_close(file);
    file = nullptr;
    info = {};
    memory.reset();
}

bool AudioFileReader::isOpen() const
{
    return file != nullptr;
}

QString AudioFileReader::errorString() const
{
    return error;
}

int AudioFileReader::channels() const
{
    return info.channels;
}

int AudioFileReader::sampleRate() const
{
    return info.samplerate;
}

qint64 AudioFileReader::frames() const
{
    return info.frames;
}

bool AudioFileReader::seekMs(qint64 offsetMs)
{
    if (!file || !info.seekable)
        return false;
    const qint64 target = qMax<qint64>(offsetMs, 0) * info.samplerate / 1000;
    if (target >= info.frames)
        return sf_seek(file, 0, SEEK_END) >= 0;
    return sf_seek(file, target, SEEK_SET) >= 0;
}

qint64 AudioFileReader::read(float* samples, qint64 maxFrames)
{
    if (!file || maxFrames <= 0)
        return 0;
    const qint64 got = qMax<qint64>(sf_readf_float(file, samples, maxFrames), 0);
    if (floatSamples) {
        // A float file can carry NaN or infinity; handed to the sound server they would turn the
        // whole mix into noise at full level. They are silence instead.
        for (qint64 i = 0; i < got * info.channels; ++i) {
            if (!std::isfinite(samples[i]))
                samples[i] = 0.0f;
        }
    }
    return got;
}
