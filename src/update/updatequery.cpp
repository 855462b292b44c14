#include "update/updatequery.h"

#include <QtGlobal>

QString updateQueryUrl()
{
    const QString configured = qEnvironmentVariable("VELMORA_UPDATE_URL");
    if (!configured.isEmpty())
        return configured;
    return QStringLiteral("http://www.velmora.example/update_check.php?software=velmora");
}
