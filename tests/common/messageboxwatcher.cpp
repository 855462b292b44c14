#include "messageboxwatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

MessageBoxWatcher::MessageBoxWatcher()
{
    connect(&timer, &QTimer::timeout, this, &MessageBoxWatcher::look);
    timer.start(10);
}

QStringList MessageBoxWatcher::texts() const
{
    QStringList list;
    for (const ShownMessageBox& box : boxes)
        list.append(box.text);
    return list;
}

void MessageBoxWatcher::look()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    boxes.append({box->windowTitle(), box->text(), box->parentWidget()});
    if (QAbstractButton* ok = box->button(QMessageBox::Ok))
        ok->click();
    else
        box->reject();
}
