#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QWidget;

// A message box as the user saw it: its title, its text and the window it belongs to.
struct ShownMessageBox
{
    QString title;
    QString text;
    QPointer<QWidget> parent;
};

// Watches for modal message boxes while it lives, notes what each one says and closes it with
// its Ok button, as a user would. Message boxes run their own event loop, so this works from
// inside whatever opened them.
class MessageBoxWatcher : public QObject
{
    Q_OBJECT

public:
    MessageBoxWatcher();

    QList<ShownMessageBox> boxes;
    QStringList texts() const;

private:
    void look();

    QTimer timer;
};
