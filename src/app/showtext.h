#pragma once

#include <QHash>
#include <QWidget>

// One part of the show line: a line of text drawn in its palette's text colour. Unlike a label,
// a new text asks the window for a new layout only when it needs another width (the digits of a
// countdown all have one width), so a new frame repaints this part and nothing else.
class ShowText : public QWidget
{
    Q_OBJECT

public:
    ShowText(Qt::Alignment alignment, QWidget* parent);

    void setText(const QString& text);
    const QString& text() const { return shownText; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int advance(QStringView text);

    Qt::Alignment alignment;
    QFont advancesFont;
    QHash<QChar, qreal> advances;
    QString shownText;
    int textWidth = 0;
};
