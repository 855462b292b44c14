#include "about/aboutinfo.h"

#include "productlinks.h"
#include "programversion.h"

#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString QtLink = QStringLiteral("<a href=\"https://www.qt.io/\">QT (%1)</a>");
const QString LgplLink =
    QStringLiteral("<a href=\"https://www.gnu.org/licenses/old-licenses/lgpl-2.1.html\">LGPL</a>");

} // namespace

QString AboutInfo::buildDate()
{
    return QStringLiteral(__DATE__);
}

AboutInfo::AboutInfo(QString iconPath, QWidget* parent) : QWidget(parent)
{
    if (!iconPath.isEmpty())
        setWindowIcon(QIcon(QPixmap(iconPath)));
    setWindowTitle(tr("About %1").arg(ProductInfo::Name));

    okButton = new QPushButton(tr("Ok"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setToolTip(tr("press okay for close about window"));
    connect(okButton, &QPushButton::clicked, this, &AboutInfo::pressOk);

    const QString text = tr("<center><b>%1</b><br>Version %2.%3<br>Date %4<br>Written by Brenn "
                            "Kalvo<br>%5</center>")
                             .arg(ProductInfo::Name)
                             .arg(ProgramVersion::Major)
                             .arg(ProgramVersion::Minor)
                             .arg(buildDate())
                             .arg(ProductLinks::downloadLink());
    // The toolkit version this program was built against, not the one it happens to run with.
    const QString credits =
        tr("<center>use <br>%1 by %2</center>").arg(QtLink.arg(QStringLiteral(QT_VERSION_STR))).arg(LgplLink);

    mainLayout = new QVBoxLayout;
    textLabel = new QLabel(text, this);
    textLabel->setObjectName(QStringLiteral("textLabel"));
    textLabel->setOpenExternalLinks(true);
    creditsLabel = new QLabel(credits, this);
    creditsLabel->setObjectName(QStringLiteral("creditsLabel"));
    creditsLabel->setOpenExternalLinks(true);

    mainLayout->addWidget(textLabel, 0);
    mainLayout->addWidget(creditsLabel, 0);
    mainLayout->addStretch(0);
    mainLayout->addWidget(okButton, 0);
    setLayout(mainLayout);
}

AboutInfo::~AboutInfo()
{
    // Children and layout would go with the window anyway; deleting them first, in this order,
    // leaves the window empty before its own destruction starts.
    delete okButton;
    okButton = nullptr;
    delete textLabel;
    textLabel = nullptr;
    delete creditsLabel;
    creditsLabel = nullptr;
    delete mainLayout;
    mainLayout = nullptr;
}

void AboutInfo::pressOk()
{
    close();
}
