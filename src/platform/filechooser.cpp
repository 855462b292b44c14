#include "filechooser.h"

#include <QFileDialog>

FileChooser systemFileChooser()
{
    return [](QWidget* parent, const QString& caption, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
    };
}
