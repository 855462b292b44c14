// Feeds arbitrary bytes to the reader of the update service's answer, as a hostile or broken
// server could send them, and checks what it finds against what the answer can mean.
#include "update/updatebody.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const VersionNumbers running{0, 3, 1, 0};

bool isNewer(const VersionNumbers& a, const VersionNumbers& b)
{
    return a > b; // std::array compares position by position, major first
}

void fail(const char* what, const VersionNumbers& found)
{
    std::fprintf(stderr, "fuzz_updatebody: %s (found %s)\n", what,
                 qPrintable(UpdateBody::versionText(found)));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView body(data, qsizetype(size));
    const std::optional<VersionNumbers> found = UpdateBody::newerVersion(body, running);
    if (!found)
        return 0;
    if (!isNewer(*found, running))
        fail("a version that is not newer was reported", *found);

    // What was found reads back from its own text, and a body that only says so finds it again.
    const QString text = UpdateBody::versionText(*found);
    if (UpdateBody::readVersion(text) != *found)
        fail("the version text does not read back", *found);
    if (UpdateBody::newerVersion(QByteArray("version:" + text.toLatin1()), running) != found)
        fail("a body holding only the found version finds something else", *found);

    // Lines before the found one were not newer than the running version, so not newer than the
    // found one either: asking again from there finds only a later, newer line.
    const std::optional<VersionNumbers> next = UpdateBody::newerVersion(body, *found);
    if (next && !isNewer(*next, *found))
        fail("asking from the found version went backwards", *next);
    return 0;
}
