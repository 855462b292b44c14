// The Windows resources of the program, compiled here by the MinGW resource compiler as a Windows
// build would: the icon group IDI_ICON1 with its nine images and the version record, read back
// from the compiled file. The icon must show the product image at every size and be exactly what
// tools/make_icon.py makes.
#include "resourcefile.h"
#include "versionnode.h"

#include "about/programversion.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr quint16 EnglishUnitedStates = 1033;
const QString IconGroupName = QStringLiteral("IDI_ICON1");

QString sourcePath(const QString& relative)
{
    return qEnvironmentVariable("VELMORA_SOURCE_DIR") + QLatin1Char('/') + relative;
}

// Runs a program to its end; the empty string when it succeeded, else what went wrong.
QString runToEnd(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(180000))
        return program + QStringLiteral(": ") + process.errorString();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll());
    return {};
}

// The product image and an icon image, both laid on grey, differ on average by this much per
// channel (0-255).
double meanDifferenceOnGrey(const QImage& a, const QImage& b)
{
    const auto onGrey = [](const QImage& image) {
        QImage result(image.size(), QImage::Format_RGB32);
        result.fill(QColor(128, 128, 128));
        QPainter painter(&result);
        painter.drawImage(0, 0, image);
        return result;
    };
    const QImage left = onGrey(a);
    const QImage right = onGrey(b);
    double total = 0;
    for (int y = 0; y < left.height(); ++y) {
        for (int x = 0; x < left.width(); ++x) {
            const QColor p = left.pixelColor(x, y);
            const QColor q = right.pixelColor(x, y);
            total +=
                std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) + std::abs(p.blue() - q.blue());
        }
    }
    return total / (3.0 * left.width() * left.height());
}

} // namespace

class TestPlatformResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void iconGroupHoldsNineImages();
    void iconImage_data();
    void iconImage();
    void versionRecordFixedPart();
    void versionRecordText_data();
    void versionRecordText();
    void packageVersionIsTheProgramVersion();
    void committedIconIsWhatTheScriptMakes();

private:
    QTemporaryDir work;
    QList<ResourceEntry> resources;
};

void TestPlatformResources::initTestCase()
{
    // Installed by scripts/test.sh (binutils-mingw-w64-x86-64): without it a broken .rc would go
    // unseen until a Windows build, so its absence is a failure, not a skip.
    const QString windres = QStandardPaths::findExecutable(QStringLiteral("x86_64-w64-mingw32-windres"));
    QVERIFY2(!windres.isEmpty(), "x86_64-w64-mingw32-windres not found (Debian: binutils-mingw-w64-x86-64)");
    QVERIFY(work.isValid());
    const QString compiled = work.filePath(QStringLiteral("velmora.res"));
    // The MinGW compiler would run MinGW's gcc as preprocessor; the host's does the same job. No
    // include folder is given: the icon must be found beside the .rc, as a Windows build finds it.
    const QString failure =
        runToEnd(windres, {QStringLiteral("--preprocessor=cpp"),
                           sourcePath(QStringLiteral("src/images/windows/velmora.rc")), QStringLiteral("-O"),
                           QStringLiteral("res"), QStringLiteral("-o"), compiled});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QFile file(compiled);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const auto entries = readResourceFile(file.readAll());
    QVERIFY2(entries, "the compiled resource file cannot be read");
    resources = *entries;
}

void TestPlatformResources::iconGroupHoldsNineImages()
{
    const ResourceEntry* group =
        findResource(resources, ResourceTypes::IconGroup, IconGroupName, EnglishUnitedStates);
    QVERIFY2(group, "no icon group IDI_ICON1 in English (United States)");
    QCOMPARE(readLittleEndian16(group->data, 2), quint16(1)); // an icon, not a cursor
    QCOMPARE(readLittleEndian16(group->data, 4), quint16(9));
    QCOMPARE(group->data.size(), 6 + 9 * 14);
    int icons = 0;
    for (const ResourceEntry& entry : resources)
        icons += entry.type == ResourceTypes::Icon ? 1 : 0;
    QCOMPARE(icons, 9);
}

void TestPlatformResources::iconImage_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("bits");
    QTest::addColumn<bool>("png");
    // Within a side, the palette images have hard edges and fewer colours; the bound says how
    // far from the product image each may stray.
    QTest::addColumn<double>("allowedDifference");
    QTest::newRow("16 px, 16 colours") << 0 << 16 << 4 << false << 12.0;
    QTest::newRow("32 px, 16 colours") << 1 << 32 << 4 << false << 8.0;
    QTest::newRow("16 px, 256 colours") << 2 << 16 << 8 << false << 12.0;
    QTest::newRow("32 px, 256 colours") << 3 << 32 << 8 << false << 8.0;
    QTest::newRow("48 px, 256 colours") << 4 << 48 << 8 << false << 8.0;
    QTest::newRow("16 px, true colour with alpha") << 5 << 16 << 32 << false << 6.0;
    QTest::newRow("32 px, true colour with alpha") << 6 << 32 << 32 << false << 4.0;
    QTest::newRow("48 px, true colour with alpha") << 7 << 48 << 32 << false << 4.0;
    QTest::newRow("256 px, stored as PNG") << 8 << 256 << 32 << true << 4.0;
}

void TestPlatformResources::iconImage()
{
    QFETCH(int, index);
    QFETCH(int, size);
    QFETCH(int, bits);
    QFETCH(bool, png);
    QFETCH(double, allowedDifference);

    const ResourceEntry* group =
        findResource(resources, ResourceTypes::IconGroup, IconGroupName, EnglishUnitedStates);
    QVERIFY(group);
    // GRPICONDIRENTRY: width, height (0 for 256), colour count, reserved, planes, bit count, size,
    // the number of the icon resource.
    const QByteArray entry = group->data.mid(6 + 14 * index, 14);
    QCOMPARE(entry.size(), 14);
    const int side = size == 256 ? 0 : size;
    QCOMPARE(int(quint8(entry[0])), side);
    QCOMPARE(int(quint8(entry[1])), side);
    QCOMPARE(int(quint8(entry[2])), bits == 4 ? 16 : 0);
    QCOMPARE(readLittleEndian16(entry, 4), quint16(1));
    QCOMPARE(int(readLittleEndian16(entry, 6)), bits);
    const ResourceEntry* icon =
        findResource(resources, ResourceTypes::Icon, QStringLiteral("#%1").arg(readLittleEndian16(entry, 12)),
                     EnglishUnitedStates);
    QVERIFY2(icon, "the group names an icon that is not there");
    QCOMPARE(quint32(icon->data.size()), readLittleEndian32(entry, 8));

    if (png) {
        QVERIFY(icon->data.startsWith("\x89PNG\r\n\x1a\n"));
        const QImage image = QImage::fromData(icon->data, "PNG");
        QCOMPARE(image.size(), QSize(size, size));
        QVERIFY(image.hasAlphaChannel());
    } else {
        // BITMAPINFOHEADER: the height counts the colour bitmap and the mask below it.
        QCOMPARE(readLittleEndian32(icon->data, 0), quint32(40));
        QCOMPARE(qint32(readLittleEndian32(icon->data, 4)), size);
        QCOMPARE(qint32(readLittleEndian32(icon->data, 8)), 2 * size);
        QCOMPARE(int(readLittleEndian16(icon->data, 14)), bits);
        const int paletteBytes = bits < 32 ? 4 << bits : 0;
        const int colourRow = (bits * size + 31) / 32 * 4;
        const int maskRow = (size + 31) / 32 * 4;
        QCOMPARE(icon->data.size(), 40 + paletteBytes + (colourRow + maskRow) * size);
    }

    // What the platform draws from the file: the product image at this size.
    QImageReader reader(sourcePath(QStringLiteral("src/images/windows/velmora.ico")), "ico");
    QCOMPARE(reader.imageCount(), 9);
    QVERIFY(reader.jumpToImage(index));
    const QImage drawn = reader.read();
    QCOMPARE(drawn.size(), QSize(size, size));
    const QImage product = QImage(sourcePath(QStringLiteral("src/images/images/Velmora.png")))
                               .scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QVERIFY(!product.isNull());
    const double difference = meanDifferenceOnGrey(product, drawn);
    QVERIFY2(difference <= allowedDifference, qPrintable(QStringLiteral("differs by %1").arg(difference)));
    // Transparent beside the triangle's point, opaque at its base.
    QCOMPARE(qAlpha(drawn.convertToFormat(QImage::Format_ARGB32).pixel(size - 1, 0)), 0);
    QCOMPARE(qAlpha(drawn.convertToFormat(QImage::Format_ARGB32).pixel(size / 4, size / 2)), 255);
}

void TestPlatformResources::versionRecordFixedPart()
{
    const ResourceEntry* record =
        findResource(resources, ResourceTypes::Version, QStringLiteral("#1"), EnglishUnitedStates);
    QVERIFY2(record, "no version record in English (United States)");
    const auto root = readVersionNode(record->data);
    QVERIFY2(root, "the version record cannot be read");
    QCOMPARE(root->key, QStringLiteral("VS_VERSION_INFO"));
    // VS_FIXEDFILEINFO: signature, structure version, file version (most, least significant
    // halves), product version, flags mask, flags, OS, type.
    const QByteArray fixed = root->value;
    QCOMPARE(fixed.size(), 52);
    QCOMPARE(readLittleEndian32(fixed, 0), quint32(0xFEEF04BD));
    const quint32 most = quint32(ProgramVersion::Major) << 16 | quint32(ProgramVersion::Minor);
    const quint32 least = quint32(ProgramVersion::Revision) << 16 | quint32(ProgramVersion::Build);
    QCOMPARE(readLittleEndian32(fixed, 8), most);
    QCOMPARE(readLittleEndian32(fixed, 12), least);
    QCOMPARE(readLittleEndian32(fixed, 16), most);
    QCOMPARE(readLittleEndian32(fixed, 20), least);
    QCOMPARE(readLittleEndian32(fixed, 32), quint32(0x40004)); // Windows NT, 32-bit API
    QCOMPARE(readLittleEndian32(fixed, 36), quint32(1));       // an application

    // The table of texts is announced as English (United States) in Unicode.
    const VersionNode* variables = root->child(QStringLiteral("VarFileInfo"));
    QVERIFY(variables);
    const VersionNode* translation = variables->child(QStringLiteral("Translation"));
    QVERIFY(translation);
    QCOMPARE(translation->value, QByteArray("\x09\x04\xB0\x04", 4));
}

void TestPlatformResources::versionRecordText_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const QString version = ProgramVersion::fullVersion();
    QTest::newRow("product name") << "ProductName"
                                  << "Velmora";
    QTest::newRow("file description") << "FileDescription"
                                      << "Velmora";
    QTest::newRow("internal name") << "InternalName"
                                   << "Velmora.exe";
    QTest::newRow("original file name") << "OriginalFilename"
                                        << "Velmora.exe";
    QTest::newRow("file version, all four numbers") << "FileVersion" << version;
    QTest::newRow("product version, all four numbers") << "ProductVersion" << version;
    QTest::newRow("company is the maker") << "CompanyName"
                                          << "velmora.example";
    QTest::newRow("copyright names the maker and licence")
        << "LegalCopyright"
        << "Copyright 2026 velmora.example. Licensed under the Apache License, Version 2.0.";
}

void TestPlatformResources::versionRecordText()
{
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const ResourceEntry* record =
        findResource(resources, ResourceTypes::Version, QStringLiteral("#1"), EnglishUnitedStates);
    QVERIFY(record);
    const auto root = readVersionNode(record->data);
    QVERIFY(root);
    const VersionNode* texts = root->child(QStringLiteral("StringFileInfo"));
    QVERIFY(texts);
    const VersionNode* table = texts->child(QStringLiteral("040904B0"));
    QVERIFY2(table, "no table of texts for English (United States), Unicode");
    const VersionNode* value = table->child(key);
    QVERIFY2(value, qPrintable(key + QStringLiteral(" is missing")));
    QVERIFY(value->isText);
    QCOMPARE(value->text(), expected);
}

void TestPlatformResources::packageVersionIsTheProgramVersion()
{
    // The package takes its version from the build, the program shows its own: they must agree.
    QCOMPARE(QStringLiteral(VELMORA_PROJECT_VERSION), QStringLiteral("%1.%2.%3")
                                                          .arg(ProgramVersion::Major)
                                                          .arg(ProgramVersion::Minor)
                                                          .arg(ProgramVersion::Revision));
}

void TestPlatformResources::committedIconIsWhatTheScriptMakes()
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    QVERIFY2(!python.isEmpty(), "python3 not found");
    const QString made = work.filePath(QStringLiteral("made.ico"));
    const QString failure = runToEnd(python, {sourcePath(QStringLiteral("tools/make_icon.py")), made});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QFile committed(sourcePath(QStringLiteral("src/images/windows/velmora.ico")));
    QFile fresh(made);
    QVERIFY(committed.open(QIODevice::ReadOnly));
    QVERIFY(fresh.open(QIODevice::ReadOnly));
    QVERIFY2(committed.readAll() == fresh.readAll(),
             "src/images/windows/velmora.ico differs from what tools/make_icon.py makes: run it again");
}

QTEST_MAIN(TestPlatformResources)
#include "tst_platformresources.moc"
