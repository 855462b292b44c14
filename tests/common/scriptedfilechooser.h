#pragma once

#include "platform/filechooser.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <memory>

// Answers a file chooser without a modal window: each call takes the next prepared answer, and
// with none left the user cancels (an empty path). Notes what each call was asked, so that a
// test can read the caption, the filter and the parent the user would have seen.
class ScriptedFileChooser
{
public:
    struct Request
    {
        QPointer<QWidget> parent;
        QString caption;
        QString filter;
    };

    ScriptedFileChooser();

    FileChooser chooser() const;
    // The path the next call returns; an empty one is a cancel.
    void answer(const QString& path);
    QList<Request> requests() const;

private:
    struct State
    {
        QStringList answers;
        QList<Request> requests;
    };
    std::shared_ptr<State> state;
};
