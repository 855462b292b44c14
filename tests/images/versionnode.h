#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// One node of a Windows version record (VS_VERSIONINFO and the StringFileInfo, StringTable,
// String, VarFileInfo and Var nodes below it): a key, a value that is text or bytes, children.
struct VersionNode
{
    QString key;
    QByteArray value;
    bool isText = false;
    QList<VersionNode> children;

    const VersionNode* child(const QString& childKey) const;
    // The value as text, without its terminating zero.
    QString text() const;
};

// The node at the start of bytes, read with its children; nothing when it is malformed.
std::optional<VersionNode> readVersionNode(QByteArrayView bytes);
