// The compiled-in images: every path loads at its size, the XPM colour tables are the ones other
// parts and themes rely on, the window icon is true RGBA with soft edges, and paths are exact.
#include "images/imageresources.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QRegularExpression>
#include <QtTest>

#include <set>

namespace {

// The parts of an XPM file that matter here: the header values, the colour table in file order
// and the pixel rows.
struct Xpm
{
    int width = 0;
    int height = 0;
    int charsPerPixel = 0;
    QStringList keys;
    QStringList colours;
    QStringList rows;
};

Xpm readXpm(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromLatin1(file.readAll());
    QStringList strings;
    static const QRegularExpression quoted(QStringLiteral("\"([^\"]*)\""));
    for (auto it = quoted.globalMatch(text); it.hasNext();)
        strings << it.next().captured(1);
    if (strings.isEmpty())
        return {};
    const QStringList header = strings.takeFirst().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (header.size() < 4)
        return {};
    Xpm xpm;
    xpm.width = header[0].toInt();
    xpm.height = header[1].toInt();
    const int colourCount = header[2].toInt();
    xpm.charsPerPixel = header[3].toInt();
    for (int i = 0; i < colourCount && !strings.isEmpty(); ++i) {
        const QString entry = strings.takeFirst();
        // "<key> c <colour>", the key being charsPerPixel characters wide (a space for None).
        xpm.keys << entry.left(xpm.charsPerPixel);
        const QStringList rest = entry.mid(xpm.charsPerPixel).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        xpm.colours << (rest.size() == 2 && rest[0] == QLatin1String("c") ? rest[1] : entry);
    }
    xpm.rows = strings;
    return xpm;
}

} // namespace

class TestImages : public QObject
{
    Q_OBJECT

private slots:
    void resourceFolderHoldsExactlyTheListedImages();
    void loadsAtItsSize_data();
    void loadsAtItsSize();
    void xpmColourTable_data();
    void xpmColourTable();
    void productImageIsRgbaTriangleWithSoftEdges();
    void pathInOtherSpellingLoadsNothing_data();
    void pathInOtherSpellingLoadsNothing();
};

void TestImages::resourceFolderHoldsExactlyTheListedImages()
{
    QStringList listed = imageResourcePaths();
    QCOMPARE(listed.size(), 10);
    QStringList registered;
    for (const QString& name : QDir(QStringLiteral(":/images")).entryList(QDir::Files))
        registered << QStringLiteral(":/images/") + name;
    listed.sort();
    registered.sort();
    QCOMPARE(registered, listed);
}

void TestImages::loadsAtItsSize_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("format");

    const QSize button(32, 32);
    const QSize mark(16, 16);
    QTest::newRow("update menu entry") << ":/images/check_update.xpm" << button << QByteArray("xpm");
    QTest::newRow("help menu entry") << ":/images/helpHelp.xpm" << button << QByteArray("xpm");
    QTest::newRow("edit button") << ":/images/edit.xpm" << button << QByteArray("xpm");
    QTest::newRow("stop button") << ":/images/stop.xpm" << button << QByteArray("xpm");
    QTest::newRow("play button") << ":/images/play.xpm" << button << QByteArray("xpm");
    QTest::newRow("delete button") << ":/images/delete.xpm" << button << QByteArray("xpm");
    QTest::newRow("row in order") << ":/images/state_information.xpm" << mark << QByteArray("xpm");
    QTest::newRow("row with a problem") << ":/images/state_critical.xpm" << mark << QByteArray("xpm");
    QTest::newRow("window icon") << ":/images/Velmora.png" << QSize(128, 128) << QByteArray("png");
    QTest::newRow("quit menu entry") << ":/images/quit.xpm" << button << QByteArray("xpm");
}

void TestImages::loadsAtItsSize()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(QByteArray, format);

    QVERIFY(imageResourcePaths().contains(path));
    QCOMPARE(QImageReader(path).format(), format);

    const QPixmap pixmap(path);
    QVERIFY(!pixmap.isNull());
    QCOMPARE(pixmap.size(), size);

    const QIcon icon(path);
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(size));
    QCOMPARE(icon.pixmap(size).size(), size);

    // Every image stands on a transparent background and actually draws something.
    const QImage image = pixmap.toImage();
    QVERIFY(image.hasAlphaChannel());
    const int last = size.width() - 1;
    for (const QPoint& corner : {QPoint(0, 0), QPoint(last, 0), QPoint(0, last), QPoint(last, last)})
        QCOMPARE(image.pixelColor(corner).alpha(), 0);
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            opaque += image.pixelColor(x, y).alpha() == 255;
    QVERIFY2(opaque >= image.width() * image.height() / 8, qPrintable(QString::number(opaque)));
}

void TestImages::xpmColourTable_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("size");
    QTest::addColumn<QStringList>("colours");

    QTest::newRow("update menu entry")
        << ":/images/check_update.xpm" << 32 << QStringList{"None", "#00FF00", "#333333"};
    QTest::newRow("help menu entry") << ":/images/helpHelp.xpm" << 32 << QStringList{"None", "#000000"};
    QTest::newRow("edit button") << ":/images/edit.xpm" << 32
                                 << QStringList{"None",    "#008FFF", "#0000FF", "#FFFF7D",
                                                "#CCCC07", "#C8C8C8", "#FFFFFF", "#000000"};
    QTest::newRow("stop button") << ":/images/stop.xpm" << 32 << QStringList{"None", "#000000", "#C81414"};
    QTest::newRow("play button") << ":/images/play.xpm" << 32 << QStringList{"None", "#000000", "#009600"};
    QTest::newRow("delete button") << ":/images/delete.xpm" << 32 << QStringList{"None", "#FF0018"};
    QTest::newRow("row in order") << ":/images/state_information.xpm" << 16
                                  << QStringList{"None", "#008000", "#00FF00"};
    QTest::newRow("row with a problem")
        << ":/images/state_critical.xpm" << 16 << QStringList{"None", "#800000", "#FF0000"};
    QTest::newRow("quit menu entry") << ":/images/quit.xpm" << 32 << QStringList{"None", "#B40000"};
}

void TestImages::xpmColourTable()
{
    QFETCH(QString, path);
    QFETCH(int, size);
    QFETCH(QStringList, colours);

    const Xpm xpm = readXpm(path);
    QCOMPARE(xpm.width, size);
    QCOMPARE(xpm.height, size);
    QCOMPARE(xpm.charsPerPixel, 1);
    QCOMPARE(xpm.colours, colours);
    QCOMPARE(QSet<QString>(xpm.keys.begin(), xpm.keys.end()).size(), xpm.keys.size());

    // The pixel rows use the table's keys only, and every colour of the table is drawn.
    QCOMPARE(xpm.rows.size(), size);
    std::set<QChar> used;
    for (const QString& row : xpm.rows) {
        QCOMPARE(row.size(), size);
        for (const QChar key : row) {
            QVERIFY2(xpm.keys.contains(QString(key)), qPrintable(QStringLiteral("key '%1'").arg(key)));
            used.insert(key);
        }
    }
    QCOMPARE(int(used.size()), colours.size());

    // The reader agrees: the None key is transparent, the others are their listed colour.
    const QImage image(path);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const QString colour = xpm.colours[xpm.keys.indexOf(xpm.rows[y][x])];
            const QColor pixel = image.pixelColor(x, y);
            if (colour == QLatin1String("None"))
                QCOMPARE(pixel.alpha(), 0);
            else
                QCOMPARE(pixel.name(QColor::HexArgb), QColor(colour).name(QColor::HexArgb));
        }
    }
}

void TestImages::productImageIsRgbaTriangleWithSoftEdges()
{
    const QString path = QStringLiteral(":/images/Velmora.png");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // Signature, then the IHDR chunk: length, type, width, height, bit depth, colour type.
    QVERIFY(bytes.startsWith("\x89PNG\r\n\x1a\n"));
    QCOMPARE(bytes.mid(12, 4), QByteArray("IHDR"));
    QCOMPARE(quint8(bytes.at(24)), quint8(8));
    QCOMPARE(quint8(bytes.at(25)), quint8(6)); // true colour with alpha

    const QImage image(path);
    QVERIFY(image.hasAlphaChannel());
    QCOMPARE(image.size(), QSize(128, 128));

    // A triangle pointing right over the whole height: the left edge is opaque from top to
    // bottom, the tip reaches far right at mid-height, and the right half's top and bottom are empty.
    QCOMPARE(image.pixelColor(20, 64).alpha(), 255);
    QVERIFY(image.pixelColor(9, 1).alpha() > 0);
    QVERIFY(image.pixelColor(9, 126).alpha() > 0);
    QCOMPARE(image.pixelColor(110, 64).alpha(), 255);
    QCOMPARE(image.pixelColor(110, 20).alpha(), 0);
    QCOMPARE(image.pixelColor(110, 108).alpha(), 0);

    // Red at the top left, turning to blue towards the bottom right.
    const QColor topLeft = image.pixelColor(14, 6);
    const QColor tip = image.pixelColor(112, 64);
    QVERIFY2(topLeft.red() > 200 && topLeft.blue() < 60, qPrintable(topLeft.name()));
    QVERIFY2(tip.blue() > tip.red() && tip.green() < 60, qPrintable(tip.name()));

    // Soft edges: along the slanted sides every row has partly transparent pixels.
    for (int y = 8; y < 120; ++y) {
        bool partial = false;
        for (int x = 0; x < image.width() && !partial; ++x) {
            const int alpha = image.pixelColor(x, y).alpha();
            partial = alpha > 0 && alpha < 255;
        }
        QVERIFY2(partial, qPrintable(QStringLiteral("row %1 has hard edges").arg(y)));
    }
}

void TestImages::pathInOtherSpellingLoadsNothing_data()
{
    QTest::addColumn<QString>("path");

    QTest::newRow("product image in lower case") << ":/images/velmora.png";
    QTest::newRow("product image in capitals") << ":/images/VELMORA.PNG";
    QTest::newRow("help image in lower case") << ":/images/helphelp.xpm";
    QTest::newRow("file name with a leading capital") << ":/images/Edit.xpm";
    QTest::newRow("folder in capitals") << ":/Images/edit.xpm";
    QTest::newRow("without the folder") << ":/edit.xpm";
}

void TestImages::pathInOtherSpellingLoadsNothing()
{
    QFETCH(QString, path);

    QVERIFY(!QFile::exists(path));
    QVERIFY(QPixmap(path).isNull());
    // QIcon keeps the name it was given and finds nothing behind it when asked for a pixmap.
    const QIcon icon(path);
    QVERIFY(icon.availableSizes().isEmpty());
    QVERIFY(icon.pixmap(32).isNull());
}

QTEST_MAIN(TestImages)
#include "tst_images.moc"
