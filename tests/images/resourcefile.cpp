#include "resourcefile.h"

#include "artnet/bytefields.h"

namespace {

// A type or name field: 0xFFFF and a number, or a zero-terminated UTF-16 string. Moves offset on.
std::optional<QString> readIdentifier(QByteArrayView bytes, qsizetype& offset, qsizetype end)
{
    if (offset + 2 > end)
        return std::nullopt;
    if (readLittleEndian16(bytes, offset) == 0xFFFF) {
        if (offset + 4 > end)
            return std::nullopt;
        const quint16 number = readLittleEndian16(bytes, offset + 2);
        offset += 4;
        return QStringLiteral("#%1").arg(number);
    }
    return readZeroTerminatedText(bytes, offset, end);
}

} // namespace

qsizetype alignedToWord(qsizetype offset)
{
    return (offset + 3) & ~qsizetype(3);
}

std::optional<QString> readZeroTerminatedText(QByteArrayView bytes, qsizetype& offset, qsizetype end)
{
    QString text;
    for (;; offset += 2) {
        if (offset + 2 > end)
            return std::nullopt;
        const quint16 unit = readLittleEndian16(bytes, offset);
        if (unit == 0)
            break;
        text += QChar(unit);
    }
    offset += 2;
    return text;
}

quint16 readLittleEndian16(QByteArrayView bytes, qsizetype offset)
{
    return ByteFields::readLittleEndian16(bytes, offset);
}

quint32 readLittleEndian32(QByteArrayView bytes, qsizetype offset)
{
    return quint32(readLittleEndian16(bytes, offset)) | quint32(readLittleEndian16(bytes, offset + 2)) << 16;
}

std::optional<QList<ResourceEntry>> readResourceFile(QByteArrayView bytes)
{
    QList<ResourceEntry> entries;
    qsizetype offset = 0;
    while (offset < bytes.size()) {
        if (offset + 8 > bytes.size())
            return std::nullopt;
        const qsizetype dataSize = readLittleEndian32(bytes, offset);
        const qsizetype headerSize = readLittleEndian32(bytes, offset + 4);
        const qsizetype headerEnd = offset + headerSize;
        const qsizetype dataEnd = headerEnd + dataSize;
        if (headerSize < 8 || headerEnd > bytes.size() || dataEnd > bytes.size())
            return std::nullopt;
        qsizetype field = offset + 8;
        const auto type = readIdentifier(bytes, field, headerEnd);
        const auto name = type ? readIdentifier(bytes, field, headerEnd) : std::nullopt;
        field = alignedToWord(field);
        // DataVersion (4), MemoryFlags (2), LanguageId (2), Version (4), Characteristics (4).
        if (!name || field + 16 > headerEnd)
            return std::nullopt;
        ResourceEntry entry;
        entry.type = *type;
        entry.name = *name;
        entry.language = readLittleEndian16(bytes, field + 6);
        entry.data = bytes.sliced(headerEnd, dataSize).toByteArray();
        // The file opens with an empty entry that only marks it as a 32-bit resource file.
        if (!(entry.type == QLatin1String("#0") && entry.name == QLatin1String("#0")))
            entries << entry;
        offset = alignedToWord(dataEnd);
    }
    return entries;
}

const ResourceEntry* findResource(const QList<ResourceEntry>& entries, const QString& type,
                                  const QString& name, quint16 language)
{
    for (const ResourceEntry& entry : entries) {
        if (entry.type == type && entry.name == name && entry.language == language)
            return &entry;
    }
    return nullptr;
}
