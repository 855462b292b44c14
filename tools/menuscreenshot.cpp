// Draws what the user sees of Velmora's commands, from the screen of a real X server, into PNG
// files: the open context menu over the main window, and the About window.
//   velmora-menu-screenshot --menu menu.png --about about.png
// Menus are windows of their own, so only the screen shows one over the window it belongs to: run
// it on an X server (QT_QPA_PLATFORM=xcb), with a throw-away settings store (scripts/screenshots.sh).
#include "about/aboutinfo.h"
#include "app/mainwindow.h"
#include "screenshotapplication.h"
#include "usecontextmenu.h"

#include <QMenu>
#include <QTest>

#include <cstdio>

int main(int argc, char* argv[])
{
    ScreenshotApplication application(argc, argv);
    QCommandLineParser& parser = application.commandLine;
    parser.setApplicationDescription(
        QStringLiteral("Draws Velmora's open context menu and its About window from the screen."));
    const QCommandLineOption menuFile(QStringLiteral("menu"), QStringLiteral("PNG of the open context menu."),
                                      QStringLiteral("file"));
    const QCommandLineOption aboutFile(QStringLiteral("about"), QStringLiteral("PNG of the About window."),
                                       QStringLiteral("file"));
    parser.addOptions({menuFile, aboutFile});
    parser.process(application);
    if (!parser.isSet(menuFile) && !parser.isSet(aboutFile)) {
        std::fprintf(stderr, "velmora-menu-screenshot: name --menu or --about; see --help\n");
        return 2;
    }

    // Nothing is sent to the window's node: a free port of the system's choosing does.
    MainWindowEnvironment environment;
    environment.node.port = 0;
    environment.node.writeDiagnostic = [](const QString&) {};
    MainWindow window(nullptr, environment);
    window.setGeometry(40, 40, 560, 320);
    window.show();
    QTest::qWait(500);

    bool ok = true;
    if (parser.isSet(menuFile)) {
        const bool opened = useContextMenu(window, QPoint(24, 176), [&](QMenu* menu) {
            // The menu is drawn on the X server first, no entry under the pointer yet: every
            // entry in the colours it is read in.
            QTest::qWait(500);
            ok = application.savePng(application.screenPixels(window.geometry().united(menu->geometry())),
                                     parser.value(menuFile)) &&
                 ok;
        });
        // A menu that never opened drew no picture: the exit status says so, and
        // scripts/screenshots.sh stops on it.
        if (!opened) {
            std::fprintf(stderr, "velmora-menu-screenshot: the context menu did not open\n");
            ok = false;
        }
        QTest::qWait(100);
    }
    if (parser.isSet(aboutFile)) {
        useContextMenu(window, QPoint(200, 60), [](QMenu* menu) {
            QTest::qWait(300);
            for (QAction* action : menu->actions()) {
                if (action->text() == QLatin1String("About"))
                    action->trigger();
            }
        });
        QTest::qWait(600);
        AboutInfo* about = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<AboutInfo*>(widget); found && found->isVisible())
                about = found;
        }
        ok = about &&
             application.savePng(application.screenPixels(about->geometry()), parser.value(aboutFile)) && ok;
    }
    return ok ? 0 : 1;
}
