#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// What tesseract (OCR) reads in an image: one entry per line of text, blanks removed, empty lines
// dropped. Only the given characters are considered. ok is false, with the reason in error, when
// tesseract is missing or fails; a test then fails rather than skips.
struct TextReading
{
    bool ok = false;
    QString error;
    QStringList lines;
};
TextReading readText(const QImage& image, const QString& characters);
