#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

// Reads the text on a screenshot with Tesseract (Debian package tesseract-ocr), as a person reading
// the screen would. A missing or failing tesseract is an error the test reports as a failure, never
// a reason to skip.

// A word found on the screen and where it stands.
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
    // The words of a window's labels and menus, in reading order; empty when nothing could be
    // read. The image is enlarged first, since screen fonts are small for OCR.
    static QList<ReadWord> words(const QImage& screenshot);
    // The words joined by spaces, lines and all: easy to search for phrases.
    static QString text(const QList<ReadWord>& words);
};

// What tesseract reads in an image of one block of text, such as a timecode display: one entry
// per line, blanks removed, empty lines dropped. Only the given characters are considered. ok is
// false, with the reason in error, when tesseract is missing or fails.
struct TextReading
{
    bool ok = false;
    QString error;
    QStringList lines;
};
TextReading readText(const QImage& image, const QString& characters);
