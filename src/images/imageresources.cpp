#include "images/imageresources.h"

QStringList imageResourcePaths()
{
    return {
        QStringLiteral(":/images/check_update.xpm"),
        QStringLiteral(":/images/helpHelp.xpm"),
        QStringLiteral(":/images/edit.xpm"),
        QStringLiteral(":/images/stop.xpm"),
        QStringLiteral(":/images/play.xpm"),
        QStringLiteral(":/images/delete.xpm"),
        QStringLiteral(":/images/state_information.xpm"),
        QStringLiteral(":/images/state_critical.xpm"),
        QStringLiteral(":/images/Velmora.png"),
        QStringLiteral(":/images/quit.xpm"),
    };
}
