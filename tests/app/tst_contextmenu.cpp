// The context menu and what it starts, on a real main window: the five entries with their texts,
// shortcuts and icons; shortcuts only from the first right click on; Help; About with its one
// window; the update check against a web server of the test's own; Quit ending the program.
#include "about/aboutinfo.h"
#include "cues/settingsstore.h"
#include "localhttpserver.h"
#include "messageboxwatcher.h"
#include "testregistry.h"
#include "usecontextmenu.h"
#include "windowharness.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <functional>

namespace {

const QString noUpdates = QStringLiteral("No updates available.");

// Uses the window's context menu, opened in its middle; fails the test if no menu opens.
void useMenu(MainWindow& window, const std::function<void(QMenu*)>& whileOpen = {},
             QContextMenuEvent::Reason reason = QContextMenuEvent::Mouse)
{
    QVERIFY(useContextMenu(window, window.rect().center(), whileOpen, reason));
}

// Picks the entry of the open menu at the given row with the keyboard, as a user would.
std::function<void(QMenu*)> choose(int row)
{
    return [row](QMenu* menu) {
        for (int i = 0; i <= row; ++i)
            QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    };
}

constexpr int SearchUpdatesRow = 0;
constexpr int AboutRow = 2;

QList<AboutInfo*> aboutWindows()
{
    QList<AboutInfo*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* about = qobject_cast<AboutInfo*>(widget))
            found << about;
    }
    return found;
}

void activate(MainWindow& window)
{
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

// Points the window's update check at a server of the test's own, the automatic one after delay.
std::function<void(MainWindowEnvironment&)>
updatesFrom(const LocalHttpServer& server, std::chrono::milliseconds delay = std::chrono::hours(1))
{
    const QString url = server.url();
    return [url, delay](MainWindowEnvironment& environment) {
        environment.updateUrl = url;
        environment.automaticUpdateDelay = delay;
    };
}

} // namespace

class ContextMenuTest : public QObject
{
    Q_OBJECT

private slots:
    void menuEntries_data();
    void menuEntries();
    void shortcutsWorkFromTheFirstRightClick();
    void helpShowsTheHelpLink();
    void menuUpdateEntryReportsNoUpdates();
    void ctrlUReportsNoUpdates();
    void automaticCheckShowsANewerVersion();
    void askingEarlyMakesTheAutomaticCheckReportToo();
    void aboutTwiceShowsOneWindow();
    void closingTheWindowClosesAbout();
    void quitEndsTheProgramAndStopsTheSound();
    void fullScreenFromTheStartAndAgainAtTheNextStart();
};

void ContextMenuTest::menuEntries_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QKeySequence>("shortcut");
    QTest::addColumn<QString>("statusTip");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("icon");

    QTest::newRow("search updates") << 0 << "Search Updates" << QKeySequence("Ctrl+U")
                                    << "Check for newer software of Korvex"
                                    << "Search Updates"
                                    << ":/images/check_update.xpm";
    QTest::newRow("help") << 1 << "Help" << QKeySequence("F1") << "open help dialog"
                          << "Help"
                          << ":/images/helpHelp.xpm";
    QTest::newRow("full screen") << 5 << "Full Screen" << QKeySequence("F11") << ""
                                 << "Full Screen"
                                 << "";
    QTest::newRow("about") << 2 << "About" << QKeySequence() << "open about dialog"
                           << "About"
                           << "";
    QTest::newRow("about Qt") << 3 << "About Qt" << QKeySequence() << "open Qt about dialog"
                              << "About Qt"
                              << "";
    QTest::newRow("quit") << 4 << "Quit" << QKeySequence("Ctrl+Q") << ""
                          << "Quit Korvex"
                          << ":/images/quit.xpm";
}

void ContextMenuTest::menuEntries()
{
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(QKeySequence, shortcut);
    QFETCH(QString, statusTip);
    QFETCH(QString, toolTip);
    QFETCH(QString, icon);

    WindowHarness harness;
    QList<QAction*> shown;
    useMenu(harness.window(), [&](QMenu* menu) { shown = menu->actions(); });
    QCOMPARE(shown.size(), 6);
    // The window carries the same actions, so their shortcuts work without the menu.
    for (QAction* action : shown)
        QVERIFY(harness.window().actions().contains(action));

    QAction* action = shown[row];
    QCOMPARE(action->text(), text);
    QCOMPARE(action->shortcut(), shortcut);
    QCOMPARE(action->statusTip(), statusTip);
    QCOMPARE(action->toolTip(), toolTip);
    if (icon.isEmpty()) {
        QVERIFY(action->icon().isNull());
    } else {
        const QImage expected = QPixmap(icon).toImage();
        QVERIFY(!expected.isNull());
        QCOMPARE(action->icon().pixmap(32).toImage().convertToFormat(expected.format()), expected);
    }

    // Built once: the next right click shows the same menu.
    QList<QAction*> again;
    useMenu(harness.window(), [&](QMenu* menu) { again = menu->actions(); });
    QCOMPARE(again, shown);
    QCOMPARE(harness.window().findChildren<QMenu*>().size(), 1);
}

void ContextMenuTest::shortcutsWorkFromTheFirstRightClick()
{
    WindowHarness harness;
    activate(harness.window());
    MessageBoxWatcher watcher;

    QTest::keyClick(&harness.window(), Qt::Key_F1);
    QTest::qWait(200);
    QCOMPARE(watcher.boxes.size(), 0);

    // Dismissed without a choice, the menu still leaves its shortcuts on the window.
    // The desktop's platform turns the menu key into a context-menu event of keyboard reason.
    useMenu(harness.window(), {}, QContextMenuEvent::Keyboard);
    activate(harness.window());
    QTest::keyClick(&harness.window(), Qt::Key_F1);
    QTRY_COMPARE(watcher.boxes.size(), 1);
    QCOMPARE(watcher.boxes.first().title, QStringLiteral("Help Velmora"));
}

void ContextMenuTest::helpShowsTheHelpLink()
{
    WindowHarness harness;
    MessageBoxWatcher watcher;
    useMenu(harness.window(), choose(1));
    QTRY_COMPARE(watcher.boxes.size(), 1);

    const ShownMessageBox& box = watcher.boxes.first();
    QCOMPARE(box.title, QStringLiteral("Help Velmora"));
    QCOMPARE(box.text, QStringLiteral("<b>Help</b><br>Please use online help on website<br>"
                                      "<a href=\"http://www.velmora.example/help.php?software=velmora&amp;"
                                      "currentversion=0.3.1.0\">www.velmora.example</a>")
                           .replace(QStringLiteral("&amp;"), QStringLiteral("&")));
    QCOMPARE(box.parent.data(), &harness.window());
}

void ContextMenuTest::menuUpdateEntryReportsNoUpdates()
{
    LocalHttpServer server;
    server.setAnswer(HttpAnswer::body("version:0.3.1\n"));
    WindowHarness harness({}, false, {}, updatesFrom(server));
    MessageBoxWatcher watcher;

    // The menu hands its entry's checked = false on; the check the user asked for still reports.
    useMenu(harness.window(), choose(SearchUpdatesRow));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.boxes.size(), 1, 5000);
    QCOMPARE(watcher.boxes.first().title, QStringLiteral("Update Check"));
    QCOMPARE(watcher.boxes.first().text, noUpdates);
    QCOMPARE(server.requests().size(), 1);
}

void ContextMenuTest::ctrlUReportsNoUpdates()
{
    LocalHttpServer server;
    server.setAnswer(HttpAnswer::body("version:0.3.1\n"));
    WindowHarness harness({}, false, {}, updatesFrom(server));
    activate(harness.window());
    MessageBoxWatcher watcher;

    QTest::keyClick(&harness.window(), Qt::Key_U, Qt::ControlModifier);
    QTest::qWait(300);
    QCOMPARE(server.requests().size(), 0);

    useMenu(harness.window());
    activate(harness.window());
    QTest::keyClick(&harness.window(), Qt::Key_U, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(watcher.texts(), QStringList{noUpdates}, 5000);
}

void ContextMenuTest::automaticCheckShowsANewerVersion()
{
    LocalHttpServer server;
    server.setAnswer(HttpAnswer::body("version:0.3.2\n"));
    MessageBoxWatcher watcher;
    WindowHarness harness({}, false, {}, updatesFrom(server, std::chrono::milliseconds(300)));

    QTRY_COMPARE_WITH_TIMEOUT(watcher.boxes.size(), 1, 5000);
    QCOMPARE(watcher.boxes.first().title, QStringLiteral("Update Check"));
    QCOMPARE(
        watcher.boxes.first().text,
        QStringLiteral("<center>New version 0.3.2.0 available.</b><br>Download Update here<br>%1</center>")
            .arg(harness.window().downloadLinkText()));
    QVERIFY(harness.window().downloadLinkText().contains(QStringLiteral(
        "http://www.velmora.example/update_view.php?software=velmora&currentversion=0.3.1.0")));
}

void ContextMenuTest::askingEarlyMakesTheAutomaticCheckReportToo()
{
    LocalHttpServer server;
    server.setAnswer(HttpAnswer::body("version:0.3.1\n"));
    MessageBoxWatcher watcher;
    WindowHarness harness({}, false, {}, updatesFrom(server, std::chrono::milliseconds(1500)));

    useMenu(harness.window(), choose(SearchUpdatesRow));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.texts(), QStringList{noUpdates}, 5000);
    QCOMPARE(server.requests().size(), 1);
    // The user asked once, so the automatic check that follows reports as well.
    QTRY_COMPARE_WITH_TIMEOUT(watcher.texts(), (QStringList{noUpdates, noUpdates}), 5000);
    QCOMPARE(server.requests().size(), 2);
}

void ContextMenuTest::aboutTwiceShowsOneWindow()
{
    WindowHarness harness;
    useMenu(harness.window(), choose(AboutRow));
    QCOMPARE(aboutWindows().size(), 1);
    QPointer<AboutInfo> about = aboutWindows().first();
    QVERIFY(about->isVisible());
    QVERIFY(!about->parentWidget());
    QCOMPARE(about->windowTitle(), QStringLiteral("About Velmora"));

    useMenu(harness.window(), choose(AboutRow));
    QCOMPARE(aboutWindows(), QList<AboutInfo*>{about.data()});

    // Its Ok only hides it; the next About shows the same window again.
    QTest::mouseClick(about->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
    QVERIFY(!about->isVisible());
    useMenu(harness.window(), choose(AboutRow));
    QVERIFY(about);
    QVERIFY(about->isVisible());
    QCOMPARE(aboutWindows().size(), 1);
}

void ContextMenuTest::closingTheWindowClosesAbout()
{
    WindowHarness harness;
    useMenu(harness.window(), choose(AboutRow));
    QPointer<AboutInfo> about = aboutWindows().value(0);
    QVERIFY(about);
    harness.window().close();
    QVERIFY(!about);
}

void ContextMenuTest::quitEndsTheProgramAndStopsTheSound()
{
    const QString cue = QStringLiteral("/shows/opening night/intro.wav");
    auto harness = std::make_unique<WindowHarness>(cueList({{0, cue, 0, 0, 10}}));
    harness->runOnto(QStringLiteral("127.0.0.1"), 0, 0, 10);
    QVERIFY(harness->recorder.takeEvents().contains("play " + cue));
    useMenu(harness->window());
    activate(harness->window());

    // Ctrl+Q ends the program's event loop; a guard ends it with 1 if nothing else does.
    QTimer::singleShot(0, &harness->window(),
                       [&] { QTest::keyClick(&harness->window(), Qt::Key_Q, Qt::ControlModifier); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(5000);
    QCOMPARE(QApplication::exec(), 0);

    // As main does next: the window goes. Qt 6 closes the windows on quit already; either way the
    // sound is stopped once and goes.
    const SoundRecorder recorder = harness->recorder;
    harness.reset();
    QCOMPARE(recorder.events(), (QStringList{"stop " + cue, "delete " + cue}));
}

void ContextMenuTest::fullScreenFromTheStartAndAgainAtTheNextStart()
{
    QByteArray place;
    {
        WindowHarness harness;
        activate(harness.window());
        // No right click yet: F11 works from the moment the window opens.
        QTest::keyClick(&harness.window(), Qt::Key_F11);
        QTRY_VERIFY(harness.window().isFullScreen());
        QTest::keyClick(&harness.window(), Qt::Key_Escape);
        QTRY_VERIFY(!harness.window().isFullScreen());
        useMenu(harness.window(), [](QMenu* menu) { menu->actions().at(5)->trigger(); });
        QTRY_VERIFY(harness.window().isFullScreen());
        harness.window().close();
        place = QSettings(QString::fromLatin1(settingsOrganisation), QString::fromLatin1(settingsApplication))
                    .value(QStringLiteral("WindowGeometry"))
                    .toByteArray();
        QVERIFY(!place.isEmpty());
    }
    // The next start: the window comes back full screen.
    WindowHarness again({}, false, {}, [&](MainWindowEnvironment&) {
        QSettings(QString::fromLatin1(settingsOrganisation), QString::fromLatin1(settingsApplication))
            .setValue(QStringLiteral("WindowGeometry"), place);
    });
    QTRY_VERIFY(again.window().isFullScreen());
}

VELMORA_REGISTER_TEST(ContextMenuTest)
#include "tst_contextmenu.moc"
