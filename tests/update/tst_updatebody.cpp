// Reading the update service's answer: which line counts as a newer version, for the answers a
// real service gives and for bytes no service should send.
#include "update/updatebody.h"

#include <QtTest>

#include <optional>

namespace {

const VersionNumbers running{0, 3, 1, 0};
const QString none = QStringLiteral("none");

QString version(int major, int minor, int revision = 0, int build = 0)
{
    return UpdateBody::versionText({major, minor, revision, build});
}

} // namespace

class UpdateBodyTest : public QObject
{
    Q_OBJECT

private slots:
    void newerVersion_data();
    void newerVersion();
    void versionText();
};

void UpdateBodyTest::newerVersion_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    QTest::newRow("the running version") << QByteArray("version:0.3.1\n") << none;
    QTest::newRow("the next revision") << QByteArray("version:0.3.2") << version(0, 3, 2);
    QTest::newRow("a newer build only") << QByteArray("version:0.3.1.1") << version(0, 3, 1, 1);
    QTest::newRow("an older minor with a higher revision") << QByteArray("version:0.2.9.9") << none;
    QTest::newRow("capital V, space after the colon, CR LF")
        << QByteArray("Version: 1.0\r\nother: 2\r\n") << version(1, 0);
    QTest::newRow("key in capitals") << QByteArray("VERSION:0.4") << version(0, 4);
    QTest::newRow("key in the middle of a line") << QByteArray("my version: 0.4") << version(0, 4);
    QTest::newRow("all zero") << QByteArray("version:0.0.0.0") << none;
    QTest::newRow("letters only") << QByteArray("version:abc.def") << none;
    QTest::newRow("empty after the key") << QByteArray("version:") << none;
    QTest::newRow("a piece that is no number takes no place") << QByteArray("version:1.x.2") << version(1, 2);
    QTest::newRow("negative major") << QByteArray("version:-1.9") << none;
    QTest::newRow("more than four numbers") << QByteArray("version:0.3.1.0.9") << none;
    QTest::newRow("a fifth number is ignored") << QByteArray("version:0.3.1.1.0") << version(0, 3, 1, 1);
    QTest::newRow("first line not newer, second newer")
        << QByteArray("version:0.3.1\nversion:0.3.5\n") << version(0, 3, 5);
    QTest::newRow("first newer line wins") << QByteArray("version:0.4\nversion:0.9\n") << version(0, 4);
    QTest::newRow("key split by a line feed") << QByteArray("vers\nion:0.9") << none;
    QTest::newRow("an HTML page, the line inside a tag")
        << QByteArray("<html><body>\n<p>version:0.5.0</p>\n</body></html>") << version(0, 5);
    QTest::newRow("number beyond 32 bits is skipped")
        << QByteArray("version:0.99999999999.4") << version(0, 4);
    QTest::newRow("only numbers beyond 32 bits") << QByteArray("version:4294967296.4294967297") << none;
    QTest::newRow("largest 32-bit major") << QByteArray("version:2147483647") << version(2147483647, 0);
    QTest::newRow("NUL before the line hides it") << QByteArray("hello\0version:0.9\n", 18) << none;
    QTest::newRow("NUL after the line") << QByteArray("version:0.9\n\0version:0.1", 24) << version(0, 9);
    QTest::newRow("binary bytes around the line")
        << QByteArray("\xff\xfe\x01\x80\nversion:\xe9\xe9\n\x9b\x9b", 18) << none;
    QTest::newRow("binary line, then the version")
        << QByteArray("\xff\xfe\x01\x80\x7f\nversion:0.6\n", 18) << version(0, 6);
    QTest::newRow("empty body") << QByteArray() << none;

    const QByteArray megabyteLine(1024 * 1024, 'v');
    QTest::newRow("a line of 1 MB, then the version") << QByteArray(megabyteLine + "\nversion:0.7\n") << none;
    QTest::newRow("the version, then a line of 1 MB")
        << QByteArray("version:0.7\n" + megabyteLine) << version(0, 7);
    QTest::newRow("version line of 1 MB") << QByteArray("version:0.7." + megabyteLine) << version(0, 7);
    const QByteArray tenMegabytes(10 * 1024 * 1024, '\n');
    QTest::newRow("10 MB body starting with the version")
        << QByteArray("version:0.8\n" + tenMegabytes) << version(0, 8);
    QTest::newRow("version past the first 64 KiB is not read")
        << QByteArray(QByteArray(UpdateBody::MaxBodyBytes, '\n') + "version:0.8\n") << none;
    QTest::newRow("version ending right at 64 KiB")
        << QByteArray(QByteArray(UpdateBody::MaxBodyBytes - 11, '\n') + "version:0.8") << version(0, 8);
}

void UpdateBodyTest::newerVersion()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);

    const std::optional<VersionNumbers> found = UpdateBody::newerVersion(body, running);
    QCOMPARE(found ? UpdateBody::versionText(*found) : none, expected);
}

void UpdateBodyTest::versionText()
{
    QCOMPARE(UpdateBody::versionText({1, 0, 0, 0}), QStringLiteral("1.0.0.0"));
    QCOMPARE(UpdateBody::versionText({0, 3, 12, 7}), QStringLiteral("0.3.12.7"));
}

QTEST_GUILESS_MAIN(UpdateBodyTest)
#include "tst_updatebody.moc"
