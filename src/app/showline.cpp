#include "showline.h"

#include "timecodetext.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>

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
           next == other.next && warning == other.warning;
}

ShowLine::ShowLine(QWidget* parent) : QWidget(parent)
{
    QFont font = this->font();
    font.setPointSize(LinePointSize);
    font.setBold(true);
    const auto makeLabel = [&](const char* name) {
        auto* label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        label->setFont(font);
        // File names are shown as written, never as markup.
        label->setTextFormat(Qt::PlainText);
        label->setMinimumWidth(1);
        return label;
    };
    playingLabel = makeLabel("showPlaying");
    timesLabel = makeLabel("showTimes");
    timesLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    nextLabel = makeLabel("showNext");
    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("showProgress"));
    progressBar->setRange(0, 1000);
    progressBar->setTextVisible(false);
    progressBar->setMaximumHeight(QFontMetrics(font).height() / 2);
    progressBar->hide();

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(playingLabel, 0, 0);
    layout->addWidget(timesLabel, 0, 1);
    layout->addWidget(progressBar, 1, 0, 1, 2);
    layout->addWidget(nextLabel, 2, 0, 1, 2);
    layout->setColumnStretch(0, 1);
    // Nothing to say until a sender runs: the timecode keeps the whole window.
    for (QLabel* label : {playingLabel, timesLabel, nextLabel})
        label->hide();
    hide();
}

void ShowLine::setContent(const Content& content)
{
    const bool wasDimmed = std::exchange(dimmed, false);
    if (content == shown && !wasDimmed)
        return;
    const bool colours = wasDimmed || content.warning != shown.warning;
    shown = content;
    playingLabel->setText(content.playing);
    timesLabel->setText(content.times);
    progressBar->setVisible(content.progress >= 0);
    if (content.progress >= 0)
        progressBar->setValue(content.progress);
    nextLabel->setText(content.next);
    // A part with nothing to say takes no room.
    playingLabel->setVisible(!content.playing.isEmpty());
    timesLabel->setVisible(!content.times.isEmpty());
    nextLabel->setVisible(!content.next.isEmpty());
    setVisible(!content.playing.isEmpty() || !content.next.isEmpty());
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
    const auto paint = [&](QLabel* label, QColor colour) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, colour);
        label->setPalette(palette);
    };
    const QColor lineColour = dimmed ? faint : text;
    paint(playingLabel, lineColour);
    paint(timesLabel, lineColour);
    paint(nextLabel, dimmed ? faint : shown.warning ? WarningColour : text);
}
