#include "versionnode.h"

#include "resourcefile.h"

namespace {

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
    qsizetype offset = start + 6;
    const auto key = readZeroTerminatedText(bytes, offset, end);
    if (!key)
        return std::nullopt;
    VersionNode node;
    node.key = *key;
    node.isText = isText;
    offset = alignedToWord(offset);
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
    // Some compilers leave out the terminating zero of the last value.
    QString result;
    for (qsizetype i = 0; i + 1 < value.size() && readLittleEndian16(value, i) != 0; i += 2)
        result += QChar(readLittleEndian16(value, i));
    return result;
}

std::optional<VersionNode> readVersionNode(QByteArrayView bytes)
{
    return readNode(bytes, 0, bytes.size());
}
