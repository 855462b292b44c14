#pragma once

#include <QString>

// A text as one line, for a label that shows it as plain text: a line break (line feed, carriage
// return, line or paragraph separator) is shown as a mark, and any other control character as the
// replacement character, so that a name from the store or the disk never breaks a row or a window.
QString oneLineText(QString text);

// The file-name part of a path, as one line.
QString visibleFileName(const QString& path);
