#pragma once

#include <QString>

// The program's version, written into the window, the node's long name and the links.
namespace ProgramVersion {

constexpr int Major = 0;
constexpr int Minor = 3;
constexpr int Revision = 1;
constexpr int Build = 0;

inline QString versionText()
{
    return QStringLiteral("v%1.%2.%3").arg(Major).arg(Minor).arg(Revision);
}

inline QString fullVersion()
{
    return QStringLiteral("%1.%2.%3.%4").arg(Major).arg(Minor).arg(Revision).arg(Build);
}

} // namespace ProgramVersion

namespace ProductInfo {
inline const QString Name = QStringLiteral("Velmora");
inline const QString WebHost = QStringLiteral("www.velmora.example");
} // namespace ProductInfo
