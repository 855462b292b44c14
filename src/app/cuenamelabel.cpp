#include "cuenamelabel.h"

#include "cues/visiblefilename.h"

CueNameLabel::CueNameLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void CueNameLabel::setText(const QString& text)
{
    QLabel::setText(oneLineText(text));
}
