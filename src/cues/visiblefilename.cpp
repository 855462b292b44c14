#include "cues/visiblefilename.h"

#include <QFileInfo>

QString oneLineText(QString text)
{
    for (QChar& character : text) {
        if (character == u'\n' || character == u'\r' || character.category() == QChar::Separator_Line ||
            character.category() == QChar::Separator_Paragraph)
            character = QChar(0x21B5); // downwards arrow with corner leftwards
        else if (character.category() == QChar::Other_Control)
            character = QChar::ReplacementCharacter;
    }
    return text;
}

QString visibleFileName(const QString& path)
{
    return oneLineText(QFileInfo(path).fileName());
}
