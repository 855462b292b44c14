// Feeds arbitrary text to the hardware address parser, read both as UTF-8 and as Latin-1, since
// platforms report interface names and addresses in either.
#include "artnet/artnetpacket.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char* what, const QString& text)
{
    std::fprintf(stderr, "fuzz_macaddress: %s for \"%s\"\n", what, qUtf8Printable(text));
    std::abort();
}

QString canonicalText(const std::array<quint8, 6>& mac)
{
    QStringList bytes;
    for (const quint8 value : mac)
        bytes.append(QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper());
    return bytes.join(QLatin1Char(':'));
}

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (quint8(c) >= 0x80)
            return false;
    }
    return true;
}

void check(const QString& text, bool ascii)
{
    const std::array<quint8, 6> mac = ArtNetPacket::parseMacAddress(text);
    // Whatever bytes came out, their usual spelling in either letter case reads back as them.
    const QString canonical = canonicalText(mac);
    if (ArtNetPacket::parseMacAddress(canonical) != mac)
        fail("upper-case spelling of the result reads back differently", text);
    if (ArtNetPacket::parseMacAddress(canonical.toLower()) != mac)
        fail("lower-case spelling of the result reads back differently", text);
    // Letter case never matters; only for ASCII does changing it keep every character in place.
    if (ascii &&
        ArtNetPacket::parseMacAddress(text.toUpper()) != ArtNetPacket::parseMacAddress(text.toLower()))
        fail("letter case changes the result", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const bool ascii = isAscii(bytes);
    check(QString::fromUtf8(bytes), ascii);
    check(QString::fromLatin1(bytes), ascii);
    return 0;
}
