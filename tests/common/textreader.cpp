#include "textreader.h"

#include <QProcess>
#include <QTemporaryDir>

TextReading readText(const QImage& image, const QString& characters)
{
    TextReading reading;
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("text.png"));
    if (!folder.isValid() || !image.save(file, "PNG")) {
        reading.error = QStringLiteral("cannot write the image for tesseract");
        return reading;
    }
    QProcess tesseract;
    // Page segmentation 6: one uniform block of text, which is what the displays show.
    tesseract.start(QStringLiteral("tesseract"),
                    {file, QStringLiteral("stdout"), QStringLiteral("--psm"), QStringLiteral("6"),
                     QStringLiteral("-c"), QStringLiteral("tessedit_char_whitelist=") + characters});
    if (!tesseract.waitForFinished(60000) || tesseract.exitStatus() != QProcess::NormalExit ||
        tesseract.exitCode() != 0) {
        reading.error =
            QStringLiteral("tesseract (Debian package tesseract-ocr) did not run: %1 %2")
                .arg(tesseract.errorString(), QString::fromLocal8Bit(tesseract.readAllStandardError()));
        return reading;
    }
    for (QString line : QString::fromUtf8(tesseract.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        line.remove(QLatin1Char(' '));
        if (!line.trimmed().isEmpty())
            reading.lines.append(line.trimmed());
    }
    reading.ok = true;
    return reading;
}
