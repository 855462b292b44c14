#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// The line under the timecode that says what plays and what comes next: the playing cue's slot
// and file, its time played and left and a progress bar; the next cue with its start time and the
// countdown to it, in the warning colour in its last seconds. Each part is redrawn only when what
// it shows changes.
class ShowLine : public QWidget
{
    Q_OBJECT

public:
    struct Content
    {
        QString playing;      // "Playing 3  intro.wav"; empty: nothing plays
        QString times;        // "01:23 played   02:10 left"
        int progress = -1;    // per mille of the file played; -1: no bar
        QString next;         // "Next 4  outro.wav at 00:05:00  in 42.3 s", or "No cue ahead"
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

    QLabel* playingLabel = nullptr;
    QLabel* timesLabel = nullptr;
    QProgressBar* progressBar = nullptr;
    QLabel* nextLabel = nullptr;
    Content shown;
    bool dimmed = false;
};
