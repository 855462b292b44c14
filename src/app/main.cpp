#include "app/applicationsetup.h"
#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    prepareApplicationEnvironment();
    auto* application = new QApplication(argc, argv);
    auto* window = new MainWindow;
    window->show();
    const int result = application->exec();
    delete window;
    delete application;
    return result;
}
