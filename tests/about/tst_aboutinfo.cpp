// The About window as the user reads it: title, the lines of its text in order, the credits, the
// links that open in the browser, the Ok button that only hides it, and its icon.
#include "about/aboutinfo.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextDocument>
#include <QtTest>

namespace {

// The lines a label shows, as rich text lays them out.
QStringList shownLines(const QLabel* label)
{
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText().split(QLatin1Char('\n'));
}

QStringList linkTargets(const QLabel* label)
{
    QStringList targets;
    static const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
    for (auto it = href.globalMatch(label->text()); it.hasNext();)
        targets << it.next().captured(1);
    return targets;
}

} // namespace

class AboutInfoTest : public QObject
{
    Q_OBJECT

private slots:
    void titleAndText();
    void credits();
    void buildDateHasTheCompilersForm();
    void okOnlyHides();
    void iconFromPathOrDefault_data();
    void iconFromPathOrDefault();
};

void AboutInfoTest::titleAndText()
{
    AboutInfo about(QStringLiteral(":/images/Velmora.png"));
    QCOMPARE(about.windowTitle(), QStringLiteral("About Velmora"));

    const auto* text = about.findChild<QLabel*>(QStringLiteral("textLabel"));
    QVERIFY(text);
    QVERIFY(text->text().contains(QStringLiteral("<b>Velmora</b>")));
    QVERIFY(text->text().startsWith(QStringLiteral("<center>")));
    // Rich text shows the two spaces of a single-digit day as one.
    const QString date = AboutInfo::buildDate().simplified();
    QCOMPARE(shownLines(text), (QStringList{"Velmora", "Version 0.3", "Date " + date,
                                            "Written by Brenn Kalvo", "www.velmora.example"}));
    QCOMPARE(linkTargets(text), QStringList{"http://www.velmora.example/update_view.php?"
                                            "software=velmora&currentversion=0.3.1.0"});
    QVERIFY(text->openExternalLinks());
}

void AboutInfoTest::credits()
{
    AboutInfo about(QString{});
    const auto* credits = about.findChild<QLabel*>(QStringLiteral("creditsLabel"));
    QVERIFY(credits);
    // The toolkit version this program was built against.
    QCOMPARE(shownLines(credits),
             (QStringList{"use ", QStringLiteral("QT (%1) by LGPL").arg(QT_VERSION_STR)}));
    const QStringList targets = linkTargets(credits);
    QCOMPARE(targets.size(), 2);
    QVERIFY(targets[0].contains(QStringLiteral("qt.io")));
    QVERIFY(targets[1].contains(QStringLiteral("lgpl-2.1")));
    QVERIFY(credits->openExternalLinks());
}

void AboutInfoTest::buildDateHasTheCompilersForm()
{
    static const QRegularExpression form(QStringLiteral(
        "^(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) ( [1-9]|[12][0-9]|3[01]) 20[0-9]{2}$"));
    QVERIFY2(form.match(AboutInfo::buildDate()).hasMatch(), qPrintable(AboutInfo::buildDate()));
}

void AboutInfoTest::okOnlyHides()
{
    QPointer<AboutInfo> about = new AboutInfo(QString{});
    about->show();
    QVERIFY(QTest::qWaitForWindowExposed(about));
    auto* ok = about->findChild<QPushButton*>(QStringLiteral("okButton"));
    QVERIFY(ok);
    QCOMPARE(ok->text(), QStringLiteral("Ok"));
    QCOMPARE(ok->toolTip(), QStringLiteral("press okay for close about window"));

    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!about->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(about);
    about->show();
    QVERIFY(about->isVisible());
    delete about;
}

void AboutInfoTest::iconFromPathOrDefault_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("hasIcon");

    QTest::newRow("product image") << ":/images/Velmora.png" << true;
    QTest::newRow("empty path keeps the default") << "" << false;
    QTest::newRow("path that names no image") << ":/images/velmora.png" << false;
}

void AboutInfoTest::iconFromPathOrDefault()
{
    QFETCH(QString, path);
    QFETCH(bool, hasIcon);

    AboutInfo about(path);
    // No program icon is set here, so the default is empty.
    QCOMPARE(!about.windowIcon().availableSizes().isEmpty(), hasIcon);
    if (hasIcon)
        QCOMPARE(about.windowIcon().availableSizes().first(), QSize(128, 128));
}

QTEST_MAIN(AboutInfoTest)
#include "tst_aboutinfo.moc"
