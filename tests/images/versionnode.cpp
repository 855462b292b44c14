#include "versionnode.h"

#include "resourcefile.h"

namespace {

// Every part of a node starts on a 32-bit boundary from the start of the record.
qsizetype alignedToWord(qsizetype offset)
{
    return (offset + 3) & ~qsizetype(3);
}

std::optional<VersionNode> readNode(QByteArrayView bytes, qsizetype start, qsizetype limit)
{
    if (start + 6 > limit)
        return std::nullopt;
    const qsizetype length = readLittleEndian16(bytes, start);
    const qsizetype valueLength = readLittleEndian16(bytes, start + 2);
    const bool isText = readLittleEndian16(bytes, start + 4) == 1;
    const qsizetype end = start + length;
    if (length < 6 || end > limit)
        return std::nullopt;
    VersionNode node;
    node.isText = isText;
    qsizetype offset = start + 6;
    for (;; offset += 2) {
        if (offset + 2 > end)
            return std::nullopt;
        const quint16 unit = readLittleEndian16(bytes, offset);
        if (unit == 0)
            break;
        node.key += QChar(unit);
    }
    offset = alignedToWord(offset + 2);
    // A text value's length counts UTF-16 units, a binary one's bytes.
    const qsizetype valueBytes =
        std::min(isText ? 2 * valueLength : valueLength, end - std::min(offset, end));
    node.value = bytes.sliced(std::min(offset, end), valueBytes).toByteArray();
    offset = alignedToWord(offset + valueBytes);
    while (offset < end) {
        auto child = readNode(bytes, offset, end);
        if (!child)
            return std::nullopt;
        offset = alignedToWord(offset + readLittleEndian16(bytes, offset));
        node.children << *child;
    }
    return node;
}

} // namespace

const VersionNode* VersionNode::child(const QString& childKey) const
{
    for (const VersionNode& node : children) {
        if (node.key == childKey)
            return &node;
    }
    return nullptr;
}

QString VersionNode::text() const
{
    QString result;
    for (qsizetype i = 0; i + 1 < value.size(); i += 2) {
        const quint16 unit = readLittleEndian16(value, i);
        if (unit == 0)
            break;
        result += QChar(unit);
    }
    return result;
}

std::optional<VersionNode> readVersionNode(QByteArrayView bytes)
{
    return readNode(bytes, 0, bytes.size());
}
