#pragma once

#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>

// The four numbers of a program version: major, minor, revision, build.
using VersionNumbers = std::array<int, 4>;

// Reading the update service's answer. The body is untrusted text from the network: any bytes,
// any length. The service only promises that one line holds "version:" followed by up to four
// decimal numbers separated by dots, for example "version:0.3.2".
namespace UpdateBody {

// How much of a body is kept and read. A real answer is a few lines; anything beyond this is not
// an answer, and holding it would only cost memory and time while the window waits.
constexpr qsizetype MaxBodyBytes = 64 * 1024;

// The first version line of the body that is newer than current, read up to the first zero byte;
// nothing when no line is. Lines end at LF (a CR before it is tolerated as trailing white space),
// the key may stand anywhere in a line in any letter case, pieces that are not 32-bit decimal
// numbers are skipped, and a version without any number above zero is ignored.
std::optional<VersionNumbers> newerVersion(QByteArrayView body, const VersionNumbers& current);

// The numbers read from the text after a "version:" key, in the same way.
VersionNumbers readVersion(QStringView text);

// "1.0.0.0" for {1, 0, 0, 0}.
QString versionText(const VersionNumbers& version);

} // namespace UpdateBody
