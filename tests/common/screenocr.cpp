#include "screenocr.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

constexpr int Enlargement = 3;

QString tesseract()
{
    return QStandardPaths::findExecutable(QStringLiteral("tesseract"));
}

} // namespace

bool ScreenOcr::isAvailable()
{
    return !tesseract().isEmpty();
}

QList<ReadWord> ScreenOcr::words(const QImage& screenshot)
{
    QTemporaryDir folder;
    const QString input = folder.filePath(QStringLiteral("screen.png"));
    const QImage large =
        screenshot.convertToFormat(QImage::Format_Grayscale8)
            .scaled(screenshot.size() * Enlargement, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (!large.save(input))
        return {};
    QProcess ocr;
    // Page segmentation 11: sparse text, as a window's labels and menus are.
    ocr.start(tesseract(), {input, QStringLiteral("stdout"), QStringLiteral("--psm"), QStringLiteral("11"),
                            QStringLiteral("tsv")});
    if (!ocr.waitForFinished(60000) || ocr.exitCode() != 0)
        return {};

    // level page block par line word left top width height conf text
    QList<ReadWord> found;
    const QList<QByteArray> lines = ocr.readAllStandardOutput().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() < 12 || fields[0] != "5")
            continue;
        const QString text = QString::fromUtf8(fields[11]).trimmed();
        if (text.isEmpty())
            continue;
        const QRect place(fields[6].toInt() / Enlargement, fields[7].toInt() / Enlargement,
                          fields[8].toInt() / Enlargement, fields[9].toInt() / Enlargement);
        found.append({text, place});
    }
    return found;
}

QString ScreenOcr::text(const QList<ReadWord>& words)
{
    QStringList texts;
    for (const ReadWord& word : words)
        texts.append(word.text);
    return texts.join(QLatin1Char(' '));
}
