#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

// Reads the words on a screenshot with Tesseract, as a person reading the screen would: the text
// and where each word stands. The image is enlarged first, since screen fonts are small for OCR.
struct ReadWord
{
    QString text;
    QRect place; // in the screenshot's own pixels
};

class ScreenOcr
{
public:
    // False when the tesseract program is missing.
    static bool isAvailable();
    // The words found, in reading order; empty when nothing could be read.
    static QList<ReadWord> words(const QImage& screenshot);
    // The words joined by spaces, lines and all: easy to search for phrases.
    static QString text(const QList<ReadWord>& words);
};
