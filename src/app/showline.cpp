#include "showline.h"

#include "timecodetext.h"

#include <QGridLayout>
#include <QHBoxLayout>

#include <utility>

namespace {

// Read from a few metres at 1280x800: the size of the timecode's smallest lines, bold.
constexpr int LinePointSize = 18;
// Orange, readable on the light and the dark palette alike, and not the red of an error.
const QColor WarningColour(230, 120, 0);

} // namespace

bool ShowLine::Content::operator==(const Content& other) const
{
    return playing == other.playing && times == other.times && progress == other.progress &&
           next == other.next && countdown == other.countdown && warning == other.warning;
}

ShowLine::ShowLine(QWidget* parent) : QWidget(parent)
{
    QFont font = this->font();
    font.setPointSize(LinePointSize);
    font.setBold(true);
    const auto makeText = [&](const char* name, Qt::Alignment alignment, QWidget* parent) {
        auto* text = new ShowText(alignment, parent);
        text->setObjectName(QLatin1String(name));
        text->setFont(font);
        text->hide();
        return text;
    };
    playingText = makeText("showPlaying", Qt::AlignLeft, this);
    timesText = makeText("showTimes", Qt::AlignRight, this);
    nextLine = new QWidget(this);
    nextLine->setObjectName(QStringLiteral("showNext"));
    nextLine->hide();
    nextText = makeText("showNextCue", Qt::AlignLeft, nextLine);
    nextText->show();
    countdownText = makeText("showCountdown", Qt::AlignLeft, nextLine);
    countdownText->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    countdownText->setDrawnByCharacter(true);
    auto* nextLayout = new QHBoxLayout(nextLine);
    nextLayout->setContentsMargins(0, 0, 0, 0);
    // The words' own margin parts them from the countdown, about a space wide.
    nextLayout->setSpacing(0);
    nextLayout->addWidget(nextText);
    nextLayout->addWidget(countdownText);
    nextLayout->addStretch(1);
    progressBar = new ShowProgress(this);
    progressBar->setObjectName(QStringLiteral("showProgress"));
    progressBar->setFont(font);
    progressBar->hide();

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(playingText, 0, 0);
    layout->addWidget(timesText, 0, 1);
    layout->addWidget(progressBar, 1, 0, 1, 2);
    layout->addWidget(nextLine, 2, 0, 1, 2);
    layout->setColumnStretch(0, 1);
    // Nothing to say until a sender runs: the timecode keeps the whole window.
    hide();
}

void ShowLine::setContent(const Content& content)
{
    const bool wasDimmed = std::exchange(dimmed, false);
    if (content == shown && !wasDimmed)
        return;
    const bool colours = wasDimmed || content.warning != shown.warning;
    shown = content;
    playingText->setText(content.playing);
    timesText->setText(content.times);
    nextText->setText(content.next);
    countdownText->setText(content.countdown);
    if (content.progress >= 0)
        progressBar->setValue(content.progress);
    // A part with nothing to say takes no room. Each is shown or hidden only when that changes:
    // either asks the window for a new layout.
    const auto showIf = [](QWidget* part, bool visible) {
        if (part->isVisibleTo(part->parentWidget()) != visible)
            part->setVisible(visible);
    };
    showIf(progressBar, content.progress >= 0);
    showIf(playingText, !content.playing.isEmpty());
    showIf(timesText, !content.times.isEmpty());
    showIf(nextLine, !content.next.isEmpty());
    showIf(countdownText, !content.countdown.isEmpty());
    showIf(this, !content.playing.isEmpty() || !content.next.isEmpty());
    if (colours)
        applyColours();
}

void ShowLine::setDimmed(bool dim)
{
    if (std::exchange(dimmed, dim) != dim)
        applyColours();
}

void ShowLine::applyColours()
{
    const QPalette base = palette();
    const QColor text = base.color(QPalette::WindowText);
    const QColor faint = TimecodeText::dimmedColour(text, base.color(QPalette::Window));
    const auto paint = [&](QWidget* part, QColor colour) {
        QPalette palette = part->palette();
        if (palette.color(QPalette::WindowText) == colour)
            return;
        palette.setColor(QPalette::WindowText, colour);
        part->setPalette(palette);
    };
    const QColor lineColour = dimmed ? faint : text;
    paint(playingText, lineColour);
    paint(timesText, lineColour);
    const QColor nextColour = dimmed ? faint : shown.warning ? WarningColour : text;
    paint(nextText, nextColour);
    paint(countdownText, nextColour);
}
