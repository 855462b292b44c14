#pragma once

#include <QObject>

// An object with one empty slot: invoking it through the meta-object system costs what invoking
// the main window's tick costs beyond the tick's own work.
class NoOpReceiver : public QObject
{
    Q_OBJECT

public slots:
    void tick() {}
};
