#pragma once

#include "programversion.h"

#include <QString>

// The links to the maker's pages that the windows show: anchors whose text is the host name.
namespace ProductLinks {

inline QString webLink(const QString& pathAndQuery)
{
    return QStringLiteral("<a href=\"http://%1%2\">%1</a>").arg(ProductInfo::WebHost, pathAndQuery);
}

// The download page for a newer version, told which version runs here.
inline QString downloadLink()
{
    return webLink(QStringLiteral("/update_view.php?software=velmora&currentversion=%1")
                       .arg(ProgramVersion::fullVersion()));
}

inline QString helpLink()
{
    return webLink(
        QStringLiteral("/help.php?software=velmora&currentversion=%1").arg(ProgramVersion::fullVersion()));
}

} // namespace ProductLinks
