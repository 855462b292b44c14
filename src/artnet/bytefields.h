#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

// Art-Net mixes byte orders: op-codes and the port are little-endian, lengths and addresses
// big-endian. These are the only places that assemble or split multi-byte fields.
namespace ByteFields {

inline quint8 byteAt(QByteArrayView bytes, qsizetype offset)
{
    return offset >= 0 && offset < bytes.size() ? quint8(bytes[offset]) : 0;
}

inline quint16 readLittleEndian16(QByteArrayView bytes, qsizetype offset)
{
    return quint16(byteAt(bytes, offset) | (byteAt(bytes, offset + 1) << 8));
}

inline quint16 readBigEndian16(QByteArrayView bytes, qsizetype offset)
{
    return quint16((byteAt(bytes, offset) << 8) | byteAt(bytes, offset + 1));
}

inline void writeLittleEndian16(QByteArray& bytes, qsizetype offset, quint16 value)
{
    bytes[offset] = char(value & 0xFF);
    bytes[offset + 1] = char(value >> 8);
}

inline void writeBigEndian16(QByteArray& bytes, qsizetype offset, quint16 value)
{
    bytes[offset] = char(value >> 8);
    bytes[offset + 1] = char(value & 0xFF);
}

inline void writeBigEndian32(QByteArray& bytes, qsizetype offset, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char((value >> (24 - 8 * i)) & 0xFF);
}

} // namespace ByteFields
