#pragma once

#include <QLabel>

// The main window's line under the display that names the cue last started. A file name is never
// markup, and one with a line break in it must not push the buttons apart: the text is shown as
// plain text, on one line, whatever characters the name holds.
class CueNameLabel : public QLabel
{
    Q_OBJECT

public:
    explicit CueNameLabel(QWidget* parent = nullptr);

    // Hides QLabel's own, so that every text the window gives this label goes through it.
    void setText(const QString& text);
};
