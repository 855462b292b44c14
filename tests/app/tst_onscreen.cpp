// The context menu and the About window as they appear on a real X server (Xvfb, Qt's xcb
// platform), judged from the screen's pixels: Tesseract reads the words, and the menu's icons
// and the About window's link are found beside their words in their colours. The screenshots are
// those that scripts/screenshots.sh puts into docs/.
#include "screenocr.h"
#include "xvfbserver.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

using PixelTest = std::function<bool(const QColor&)>;

bool green(const QColor& c)
{
    return c.green() > 160 && c.red() < 110 && c.blue() < 110;
}

bool red(const QColor& c)
{
    return c.red() > 120 && c.green() < 70 && c.blue() < 70;
}

bool dark(const QColor& c)
{
    return c.lightness() < 60;
}

bool blue(const QColor& c)
{
    return c.blue() > 120 && c.blue() > c.red() + 50 && c.blue() > c.green() + 30;
}

int countIn(const QImage& image, const QRect& area, const PixelTest& test)
{
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += test(image.pixelColor(x, y));
    return count;
}

const ReadWord* findWord(const QList<ReadWord>& words, const QString& text)
{
    for (const ReadWord& word : words) {
        if (word.text == text)
            return &word;
    }
    return nullptr;
}

} // namespace

class OnScreenTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void menuReads_data();
    void menuReads();
    void menuIconStandsBeforeItsEntry_data();
    void menuIconStandsBeforeItsEntry();
    void aboutReads_data();
    void aboutReads();
    void aboutLinkIsDrawnAsALink();

private:
    QTemporaryDir folder;
    QImage menu;
    QImage about;
    QList<ReadWord> menuWords;
    QList<ReadWord> aboutWords;
};

void OnScreenTest::initTestCase()
{
    // The test command installs both; without them the screen goes unchecked, which is a failure.
    QVERIFY2(ScreenOcr::isAvailable(), "tesseract missing: install tesseract-ocr to read the screen");
    XvfbServer x;
    QVERIFY2(x.start(), x.error().constData());

    QProcess tool;
    // The settings store and runtime folder of this test run, already private.
    QProcessEnvironment environment = x.environment();
    // libxkbcommon-x11, which xcb loads, reads X atom names with strndup and a known length; they
    // end without a zero byte, which AddressSanitizer's strict string checks take for an overflow.
    if (environment.contains(QStringLiteral("ASAN_OPTIONS")))
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           environment.value(QStringLiteral("ASAN_OPTIONS")) + ":strict_string_checks=0");
    tool.setProcessEnvironment(environment);
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    const QString menuFile = folder.filePath(QStringLiteral("menu.png"));
    const QString aboutFile = folder.filePath(QStringLiteral("about.png"));
    tool.start(QStringLiteral(VELMORA_MENU_SCREENSHOT), {"--menu", menuFile, "--about", aboutFile});
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitCode(), 0);

    QVERIFY(menu.load(menuFile));
    QVERIFY(about.load(aboutFile));
    menuWords = ScreenOcr::words(menu);
    aboutWords = ScreenOcr::words(about);
    qInfo().noquote() << "menu reads:" << ScreenOcr::text(menuWords);
    qInfo().noquote() << "About reads:" << ScreenOcr::text(aboutWords);
}

void OnScreenTest::menuReads_data()
{
    QTest::addColumn<QString>("phrase");

    QTest::newRow("update entry") << "Search Updates";
    QTest::newRow("its shortcut") << "Ctrl+U";
    QTest::newRow("help entry") << "? Help";
    QTest::newRow("toolkit's About entry") << "About Qt";
    QTest::newRow("quit shortcut") << "Ctrl+Q";
    QTest::newRow("the window under the menu") << "Velmora v0.3.1";
}

void OnScreenTest::menuReads()
{
    QFETCH(QString, phrase);
    // OCR of small menu text mixes up l, i, I and 1 now and then; which of them it read says
    // nothing about what the menu shows.
    const auto sameStrokes = [](QString text) {
        return text.replace(QRegularExpression(QStringLiteral("[iI1|]")), QStringLiteral("l"));
    };
    QVERIFY2(sameStrokes(ScreenOcr::text(menuWords)).contains(sameStrokes(phrase)),
             qPrintable(ScreenOcr::text(menuWords)));
}

void OnScreenTest::menuIconStandsBeforeItsEntry_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<PixelTest>("colour");
    QTest::addColumn<bool>("hasIcon");

    QTest::newRow("green rings before Search Updates") << "Search" << PixelTest(green) << true;
    QTest::newRow("black question mark before Help") << "Help" << PixelTest(dark) << true;
    QTest::newRow("red power sign before Quit") << "Quit" << PixelTest(red) << true;
    QTest::newRow("nothing before About") << "About" << PixelTest(dark) << false;
}

void OnScreenTest::menuIconStandsBeforeItsEntry()
{
    QFETCH(QString, word);
    QFETCH(PixelTest, colour);
    QFETCH(bool, hasIcon);

    const ReadWord* entry = findWord(menuWords, word);
    QVERIFY2(entry, qPrintable(ScreenOcr::text(menuWords)));
    // The icon column: from a little left of the word back about two icon widths, on its row.
    const QRect row(entry->place.left() - 34, entry->place.top() - 3, 30, entry->place.height() + 6);
    const int pixels = countIn(menu, row, colour);
    if (hasIcon)
        QVERIFY2(pixels >= 12, qPrintable(QString::number(pixels)));
    else
        QCOMPARE(pixels, 0);
}

void OnScreenTest::aboutReads_data()
{
    QTest::addColumn<QString>("phrase");

    QTest::newRow("product name") << "Velmora";
    QTest::newRow("version") << "Version 0.3";
    QTest::newRow("author") << "Written by Brenn Kalvo";
    QTest::newRow("download link") << "www.velmora.example";
    QTest::newRow("licence") << "LGPL";
    QTest::newRow("button") << "Ok";
}

void OnScreenTest::aboutReads()
{
    QFETCH(QString, phrase);
    QVERIFY2(ScreenOcr::text(aboutWords).contains(phrase), qPrintable(ScreenOcr::text(aboutWords)));
}

void OnScreenTest::aboutLinkIsDrawnAsALink()
{
    const ReadWord* link = findWord(aboutWords, QStringLiteral("www.velmora.example"));
    QVERIFY2(link, qPrintable(ScreenOcr::text(aboutWords)));
    QVERIFY(countIn(about, link->place, blue) >= 20);
    const ReadWord* name = findWord(aboutWords, QStringLiteral("Velmora"));
    QVERIFY(name);
    QCOMPARE(countIn(about, name->place, blue), 0);
}

QTEST_GUILESS_MAIN(OnScreenTest)
#include "tst_onscreen.moc"
