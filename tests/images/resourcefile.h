#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// One resource of a compiled Windows resource file (.res), as a resource compiler writes it and a
// linker puts it into the executable. Types and names are numbers ("#3") or strings ("IDI_ICON1").
struct ResourceEntry
{
    QString type;
    QString name;
    quint16 language = 0;
    QByteArray data;
};

namespace ResourceTypes {
inline const QString Icon = QStringLiteral("#3");
inline const QString IconGroup = QStringLiteral("#14");
inline const QString Version = QStringLiteral("#16");
} // namespace ResourceTypes

// Every resource of the file in order, or nothing when the file is cut short or malformed.
std::optional<QList<ResourceEntry>> readResourceFile(QByteArrayView bytes);

// The first resource of that type, name and language, or nullptr.
const ResourceEntry* findResource(const QList<ResourceEntry>& entries, const QString& type,
                                  const QString& name, quint16 language);

quint16 readLittleEndian16(QByteArrayView bytes, qsizetype offset);
quint32 readLittleEndian32(QByteArrayView bytes, qsizetype offset);
// Resource files and version records start their fields on 32-bit boundaries.
qsizetype alignedToWord(qsizetype offset);
// A zero-terminated UTF-16 string at offset, ending before end; moves offset past the zero.
std::optional<QString> readZeroTerminatedText(QByteArrayView bytes, qsizetype& offset, qsizetype end);
