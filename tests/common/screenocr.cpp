#include "screenocr.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <optional>

namespace {

constexpr int Enlargement = 3;

QString tesseract()
{
    return QStandardPaths::findExecutable(QStringLiteral("tesseract"));
}

// Runs tesseract on the image with the given options and returns what it prints; nothing, with
// the reason in error, when it cannot run.
std::optional<QByteArray> runTesseract(const QImage& image, const QStringList& options, QString& error)
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("screen.png"));
    if (!folder.isValid() || !image.save(file, "PNG")) {
        error = QStringLiteral("cannot write the image for tesseract");
        return std::nullopt;
    }
    QProcess ocr;
    ocr.start(QStringLiteral("tesseract"), QStringList{file, QStringLiteral("stdout")} + options);
    if (!ocr.waitForFinished(60000) || ocr.exitStatus() != QProcess::NormalExit || ocr.exitCode() != 0) {
        error = QStringLiteral("tesseract (Debian package tesseract-ocr) did not run: %1 %2")
                    .arg(ocr.errorString(), QString::fromLocal8Bit(ocr.readAllStandardError()));
        return std::nullopt;
    }
    return ocr.readAllStandardOutput();
}

} // namespace

bool ScreenOcr::isAvailable()
{
    return !tesseract().isEmpty();
}

QList<ReadWord> ScreenOcr::words(const QImage& screenshot)
{
    const QImage large =
        screenshot.convertToFormat(QImage::Format_Grayscale8)
            .scaled(screenshot.size() * Enlargement, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QString error;
    // Page segmentation 11: sparse text, as a window's labels and menus are.
    const std::optional<QByteArray> output =
        runTesseract(large, {QStringLiteral("--psm"), QStringLiteral("11"), QStringLiteral("tsv")}, error);
    if (!output)
        return {};

    // level page block par line word left top width height conf text
    QList<ReadWord> found;
    for (const QByteArray& line : output->split('\n')) {
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

TextReading readText(const QImage& image, const QString& characters)
{
    TextReading reading;
    // Page segmentation 6: one uniform block of text, which is what the displays show.
    const std::optional<QByteArray> output =
        runTesseract(image,
                     {QStringLiteral("--psm"), QStringLiteral("6"), QStringLiteral("-c"),
                      QStringLiteral("tessedit_char_whitelist=") + characters},
                     reading.error);
    if (!output)
        return reading;
    for (QString line : QString::fromUtf8(*output).split(QLatin1Char('\n'))) {
        line.remove(QLatin1Char(' '));
        if (!line.trimmed().isEmpty())
            reading.lines.append(line.trimmed());
    }
    reading.ok = true;
    return reading;
}
