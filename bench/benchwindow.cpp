#include "benchwindow.h"

#include "loopbacknode.h"
#include "timedsound.h"

#include <QCoreApplication>
#include <QTimer>

BenchWindow::BenchWindow(std::shared_ptr<PlayLog> log, QSize size, DisplayTimer timer)
{
    MainWindowEnvironment environment;
    environment.node = loopbackNodeEnvironment();
    environment.makeSound = TimedSound::factory(std::move(log));
    nodePort = environment.node.port;
    mainWindow = std::make_unique<MainWindow>(nullptr, std::move(environment));
    if (timer == DisplayTimer::Stopped) {
        // The display timer is the window's only timer of its own.
        const auto timers = mainWindow->findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly);
        for (QTimer* displayTimer : timers)
            displayTimer->stop();
    }
    // The tick is a private slot; the meta-object system reaches it the way the timer's
    // connection does.
    const QMetaObject* meta = mainWindow->metaObject();
    tickMethod = meta->method(meta->indexOfSlot("SendTimecodeTimeOut()"));
    // Shown first and resized then (unless no size is given: the size it opens with), as a user would: a
    // resize before the first show reaches resizeEvent while the layout has not placed the timecode label
    // yet, and its font would stay at the base size.
    mainWindow->show();
    settle();
    if (size.isValid()) {
        mainWindow->resize(size);
        settle();
    }
}

BenchWindow::~BenchWindow()
{
    mainWindow.reset();
    settle();
}

void BenchWindow::tick()
{
    tickMethod.invoke(mainWindow.get(), Qt::DirectConnection);
}

void BenchWindow::receive(const QByteArray& datagram, const QString& sender)
{
    mainWindow->node()->dispatchPacket(datagram, QHostAddress(sender));
}

void BenchWindow::settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
}
