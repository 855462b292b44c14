#pragma once

#include <QString>

#include <functional>

class QWidget;

// How an owner asks the user for one file to open: the system's modal chooser, or a test's
// answer. Returns the chosen path, or an empty string when the user cancels.
using FileChooser = std::function<QString(QWidget* parent, const QString& caption, const QString& filter)>;

// Qt's own open-file chooser, modal to parent, starting in the current directory.
FileChooser systemFileChooser();
