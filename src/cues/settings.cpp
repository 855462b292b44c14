#include "settings.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QVBoxLayout>

Settings::Settings(AudioFileConfig* config, QWidget* parent) : QWidget(parent)
{
    setWindowIcon(QIcon(QStringLiteral(":/images/Velmora.png")));
    SetAudioConfig(config);
    setWindowTitle(tr("Settings of Velmora"));

    okButton = new QPushButton(tr("Ok"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setToolTip(tr("press okay for change values"));
    connect(okButton, &QPushButton::clicked, this, &Settings::pressOk);
    defaultButton = new QPushButton(tr("Default"), this);
    defaultButton->setObjectName(QStringLiteral("defaultButton"));
    defaultButton->setToolTip(tr("press default to restore default values"));
    connect(defaultButton, &QPushButton::clicked, this, &Settings::pressDefault);
    cancelButton = new QPushButton(tr("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setToolTip(tr("press cancel for lost your changes"));
    connect(cancelButton, &QPushButton::clicked, this, &Settings::pressCancel);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(okButton);
    buttonRow->addWidget(defaultButton);
    buttonRow->addWidget(cancelButton);
    auto* mainLayout = new QVBoxLayout;
    mainLayout->addStretch();
    mainLayout->addLayout(buttonRow);
    setLayout(mainLayout);
}

void Settings::SetAudioConfig(AudioFileConfig* config)
{
    targetConfig = config;
    if (config)
        workingConfig = *config;
}

void Settings::closeEvent(QCloseEvent* event)
{
    event->accept();
}

void Settings::pressOk()
{
    if (targetConfig)
        *targetConfig = workingConfig;
    close();
    emit valueChanged();
}

void Settings::pressDefault()
{
    RemoveAllSettings();
    ClearAudioConfig(&workingConfig);
    close();
    emit valueChangedToDefault();
}

void Settings::pressCancel()
{
    close();
    emit valueChangedCancel();
}
