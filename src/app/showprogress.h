#pragma once

#include <QWidget>

// The playing cue's progress: a plain bar that repaints only the columns a new value fills.
class ShowProgress : public QWidget
{
    Q_OBJECT

public:
    explicit ShowProgress(QWidget* parent);

    // Per mille.
    void setValue(int perMille);
    int value() const { return perMille; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int filledWidth(int value) const;
    int perMille = 0;
};
