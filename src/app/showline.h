#pragma once

#include "showprogress.h"
#include "showtext.h"

// The line under the timecode that says what plays and what comes next: the playing cue's slot
// and file, its time played and left and a progress bar; the next cue with its start time and the
// countdown to it, in the warning colour in its last seconds. Each part repaints only itself, and
// only when what it shows changes: the countdown changes with every frame, and during a show the
// window is meant to cost next to nothing beside the consoles.
class ShowLine : public QWidget
{
    Q_OBJECT

public:
    struct Content
    {
        QString playing;      // "Playing 3  intro.wav"; empty: nothing plays
        QString times;        // "01:23 played   02:10 left"
        int progress = -1;    // per mille of the file played; -1: no bar
        QString next;         // "Next 4  outro.wav at 00:05:00  in", or "No cue ahead"
        QString countdown;    // "42.3 s", "00:12:04:17"; empty: no cue ahead
        bool warning = false; // the next cue is seconds away
        bool operator==(const Content& other) const;
    };

    explicit ShowLine(QWidget* parent = nullptr);

    void setContent(const Content& content);
    // The leading sender went quiet: what is shown stands, faint.
    void setDimmed(bool dimmed);
    const Content& content() const { return shown; }
    bool isDimmed() const { return dimmed; }

private:
    void applyColours();

    ShowText* playingText = nullptr;
    ShowText* timesText = nullptr;
    ShowProgress* progressBar = nullptr;
    // The next cue's words and its countdown, side by side: only the countdown changes at every
    // frame, and a long file name gives way before the countdown does.
    QWidget* nextLine = nullptr;
    ShowText* nextText = nullptr;
    ShowText* countdownText = nullptr;
    Content shown;
    bool dimmed = false;
};
