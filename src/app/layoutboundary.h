#pragma once

#include <QPointer>
#include <QWidget>

// Holds one widget at its own full size, and stops the widget's changes of text from reaching the
// window's layout. A label asks for a new layout of the whole window at every new text, even when
// its size hint stays as it was; with the timecode changing 30 times a second for each sender,
// that is most of what the window does. The boundary passes a request on only when the held
// widget's size hint has changed.
// The held widget is kept at a fixed size, at which its updateGeometry() asks no one (each such
// request was one more wake-up of the event loop per frame); so the held widget posts
// QEvent::LayoutRequest to the boundary itself when its hints may have changed.
class LayoutBoundary : public QWidget
{
    Q_OBJECT

public:
    // Takes the widget as its child.
    LayoutBoundary(QWidget* held, QWidget* parent);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The window deletes the held widget itself, before the boundary.
    QPointer<QWidget> held;
    QSize passedHint;
    QSize passedMinimum;
};
