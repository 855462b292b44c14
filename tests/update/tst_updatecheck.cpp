// The update check against a web server of the test's own on 127.0.0.1, as the user sees it:
// which message box appears, with which title and text, for each kind of answer; one request at
// a time; redirects not followed.
#include "update/checksoftwareupdate.h"

#include "localhttpserver.h"
#include "messageboxwatcher.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const QString updateText = QStringLiteral("New $$$VERSION$$$ here, $$$version$$$ stays");
const QString noUpdates = QStringLiteral("No updates available.");
const QString noConnection = QStringLiteral("No internet connection for check updates available!");

QString newVersion(const char* version)
{
    return QStringLiteral("New %1 here, $$$version$$$ stays").arg(QLatin1String(version));
}

// A checker for the running version 0.3.1.0, as the main window sets it up.
std::unique_ptr<CheckSoftwareUpdate> checker(bool giveInfoForNoUpdates)
{
    auto check = std::make_unique<CheckSoftwareUpdate>();
    if (giveInfoForNoUpdates)
        check->SetGiveInfoForNoUpdates(true);
    check->SetUpdateText(updateText);
    check->SetCurrentVersion(0, 3, 1, 0);
    return check;
}

} // namespace

class UpdateCheckTest : public QObject
{
    Q_OBJECT

private slots:
    void outcome_data();
    void outcome();
    void asksTheQueryWithAPlainGet();
    void redirectIsNotFollowed();
    void newRequestAbortsTheRunningOne();
    void automaticCheckWaitsForItsDelay();
    void stalledServerIsNoAnswer_data();
    void stalledServerIsNoAnswer();
};

void UpdateCheckTest::outcome_data()
{
    QTest::addColumn<HttpAnswer>("answer");
    QTest::addColumn<bool>("giveInfo");
    QTest::addColumn<QStringList>("shown");

    const HttpAnswer newer = HttpAnswer::body("version:0.3.2\n");
    const HttpAnswer same = HttpAnswer::body("version:0.3.1\n");
    QTest::newRow("newer version, silent check") << newer << false << QStringList{newVersion("0.3.2.0")};
    QTest::newRow("newer version, asked") << newer << true << QStringList{newVersion("0.3.2.0")};
    QTest::newRow("same version, silent check") << same << false << QStringList();
    QTest::newRow("same version, asked") << same << true << QStringList{noUpdates};
    QTest::newRow("older version, asked")
        << HttpAnswer::body("version:0.2.9\n") << true << QStringList{noUpdates};
    QTest::newRow("no version line, asked") << HttpAnswer::body("hello\n") << true << QStringList{noUpdates};
    QTest::newRow("empty body, asked") << HttpAnswer::body("") << true << QStringList{noConnection};
    QTest::newRow("empty body, silent check") << HttpAnswer::body("") << false << QStringList();

    // An error page is no answer of the service, whatever it holds.
    QTest::newRow("404 page with a version line, asked")
        << HttpAnswer::body("Not found\nversion:9.0\n", 404) << true << QStringList{noConnection};
    QTest::newRow("404 page with a version line, silent check")
        << HttpAnswer::body("Not found\nversion:9.0\n", 404) << false << QStringList();
    QTest::newRow("500 page, asked") << HttpAnswer::body("<h1>Internal error</h1>", 500) << true
                                     << QStringList{noConnection};

    // The body is read once, when the reply has ended: one outcome per check.
    HttpAnswer split{200, {"notes: first\nver", "sion:0.", "3.2\nmore\n"}, 150, {}, true};
    QTest::newRow("version line split over three pieces")
        << split << true << QStringList{newVersion("0.3.2.0")};
    HttpAnswer pieces{200, {"line one\n", "version:0.3.1\n", "line three\n"}, 150, {}, true};
    QTest::newRow("three pieces without a newer version, asked") << pieces << true << QStringList{noUpdates};
    HttpAnswer slow{200, {"version:", "1.0\r\n"}, 700, {}, true};
    QTest::newRow("slow answer with CR LF") << slow << false << QStringList{newVersion("1.0.0.0")};

    QByteArray large = "version:0.4\n" + QByteArray(10 * 1024 * 1024, 'x');
    QTest::newRow("10 MB body") << HttpAnswer::body(large) << true << QStringList{newVersion("0.4.0.0")};
    QByteArray nul("\0\0version:0.4\n", 14);
    QTest::newRow("NUL bytes first, asked") << HttpAnswer::body(nul) << true << QStringList{noUpdates};
}

void UpdateCheckTest::outcome()
{
    QFETCH(HttpAnswer, answer);
    QFETCH(bool, giveInfo);
    QFETCH(QStringList, shown);

    LocalHttpServer server;
    QVERIFY(server.isListening());
    server.setAnswer(answer);
    MessageBoxWatcher watcher;
    auto check = checker(giveInfo);
    QSignalSpy finished(check.get(), &CheckSoftwareUpdate::checkFinished);

    check->StartUpdateCheck(server.url(), 0);
    QVERIFY(finished.wait(20000));
    QCOMPARE(watcher.texts(), shown);
    for (const ShownMessageBox& box : watcher.boxes) {
        QCOMPARE(box.title, QStringLiteral("Update Check"));
        QVERIFY(!box.parent);
    }
    QCOMPARE(server.requests().size(), 1);
}

void UpdateCheckTest::asksTheQueryWithAPlainGet()
{
    LocalHttpServer server;
    server.setAnswer(HttpAnswer::body("version:0.3.1\n"));
    auto check = checker(false);
    QSignalSpy finished(check.get(), &CheckSoftwareUpdate::checkFinished);
    check->StartUpdateCheck(server.url(), 0);
    QVERIFY(finished.wait(5000));

    QCOMPARE(server.requests().size(), 1);
    const QStringList head = server.requests().first().split(QStringLiteral("\r\n"));
    QCOMPARE(head.first(), QStringLiteral("GET /update_check.php?software=velmora HTTP/1.1"));
    QVERIFY(head.filter(QRegularExpression("^(Content-Length|Authorization|Cookie):",
                                           QRegularExpression::CaseInsensitiveOption))
                .isEmpty());
}

void UpdateCheckTest::newRequestAbortsTheRunningOne()
{
    LocalHttpServer silent;
    silent.setAnswer({200, {}, 0, {}, false});
    LocalHttpServer answering;
    answering.setAnswer(HttpAnswer::body("version:0.3.1\n"));
    MessageBoxWatcher watcher;
    auto check = checker(true);
    QSignalSpy finished(check.get(), &CheckSoftwareUpdate::checkFinished);

    check->StartUpdateCheck(silent.url(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(silent.requests().size(), 1, 5000);
    check->StartUpdateCheck(answering.url(), 0);
    QVERIFY(finished.wait(5000));

    // The first request ended without an outcome of its own.
    QTRY_COMPARE_WITH_TIMEOUT(silent.abandonedConnections(), 1, 5000);
    QTest::qWait(100);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(watcher.texts(), QStringList{noUpdates});
}

void UpdateCheckTest::redirectIsNotFollowed()
{
    LocalHttpServer elsewhere;
    elsewhere.setAnswer(HttpAnswer::body("version:9.0\n"));
    LocalHttpServer server;
    server.setAnswer({301, {"Moved"}, 0, "Location: " + elsewhere.url().toLatin1() + "\r\n", true});
    MessageBoxWatcher watcher;
    auto check = checker(true);
    QSignalSpy finished(check.get(), &CheckSoftwareUpdate::checkFinished);

    check->StartUpdateCheck(server.url(), 0);
    QVERIFY(finished.wait(5000));
    QCOMPARE(elsewhere.requests().size(), 0);
    QCOMPARE(watcher.texts(), QStringList{noConnection});
}

void UpdateCheckTest::automaticCheckWaitsForItsDelay()
{
    LocalHttpServer server;
    server.setAnswer(HttpAnswer::body("version:0.3.2\n"));
    MessageBoxWatcher watcher;
    auto check = checker(false);
    QSignalSpy finished(check.get(), &CheckSoftwareUpdate::checkFinished);

    check->StartUpdateCheck(server.url(), std::chrono::milliseconds(400));
    QTest::qWait(100);
    QCOMPARE(server.requests().size(), 0);
    QVERIFY(finished.wait(5000));
    QCOMPARE(watcher.texts(), QStringList{newVersion("0.3.2.0")});

    // Closed port: the silent check says nothing, the asked one says there was no answer.
    check->StartUpdateCheck(closedLoopbackUrl(), 0);
    QVERIFY(finished.wait(5000));
    QCOMPARE(watcher.boxes.size(), 1);
    check->SetGiveInfoForNoUpdates(true);
    check->StartUpdateCheck(closedLoopbackUrl(), 0);
    QVERIFY(finished.wait(5000));
    QCOMPARE(watcher.texts().last(), noConnection);
}

void UpdateCheckTest::stalledServerIsNoAnswer_data()
{
    QTest::addColumn<HttpAnswer>("answer");
    QTest::addColumn<bool>("giveInfo");
    QTest::addColumn<QStringList>("shown");

    const HttpAnswer silent{200, {}, 0, {}, false};
    // The head and the first piece arrive, the rest an hour later: a trickle is no answer either.
    const HttpAnswer halfway{200, {"version:", "0.3.2\n"}, 3600 * 1000, {}, true};
    QTest::newRow("accepts and never answers, asked") << silent << true << QStringList{noConnection};
    QTest::newRow("accepts and never answers, silent check") << silent << false << QStringList();
    QTest::newRow("stalls halfway through the body, asked") << halfway << true << QStringList{noConnection};
}

void UpdateCheckTest::stalledServerIsNoAnswer()
{
    QFETCH(HttpAnswer, answer);
    QFETCH(bool, giveInfo);
    QFETCH(QStringList, shown);

    LocalHttpServer stalled;
    stalled.setAnswer(answer);
    LocalHttpServer answering;
    answering.setAnswer(HttpAnswer::body("version:0.3.2\n"));
    MessageBoxWatcher watcher;
    auto check = checker(giveInfo);
    check->SetAnswerTimeLimit(std::chrono::milliseconds(500));
    QSignalSpy finished(check.get(), &CheckSoftwareUpdate::checkFinished);

    check->StartUpdateCheck(stalled.url(), 0);
    QVERIFY(finished.wait(10000));
    QCOMPARE(watcher.texts(), shown);
    QTRY_COMPARE_WITH_TIMEOUT(stalled.abandonedConnections(), 1, 5000);

    // The next check is not held up by the stalled one.
    check->StartUpdateCheck(answering.url(), 0);
    QVERIFY(finished.wait(5000));
    QCOMPARE(watcher.texts(), shown + QStringList{newVersion("0.3.2.0")});
}

QTEST_MAIN(UpdateCheckTest)
#include "tst_updatecheck.moc"
