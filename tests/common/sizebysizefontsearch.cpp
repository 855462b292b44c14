#include "sizebysizefontsearch.h"

#include <QFont>
#include <QFontMetrics>

int sizeBySizeLabelFontSize(const QString& family, const QString& text, QSize labelSize)
{
    const int targetHeight = (2 * labelSize.height()) / 3;
    const int targetWidth = (2 * labelSize.width()) / 3;
    for (int size = 23; size < 1000; ++size) {
        const QFontMetrics metrics(QFont(family, size, QFont::Bold, false));
        if (metrics.height() >= targetHeight || metrics.horizontalAdvance(text) >= targetWidth)
            return size - 1;
    }
    return 22;
}
