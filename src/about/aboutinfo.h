#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QVBoxLayout;

// The About window: name, version, build date, author, the download link, and the credits of
// the toolkit with its licence. Its texts are built once; Ok only hides it, so the owner can
// show the same window again.
class AboutInfo : public QWidget
{
    Q_OBJECT

public:
    explicit AboutInfo(QString iconPath, QWidget* parent = nullptr);
    ~AboutInfo() override;

    // The date of the build in the compiler's form, "Oct  9 2012".
    static QString buildDate();

private slots:
    void pressOk();

private:
    QLabel* textLabel = nullptr;
    QLabel* creditsLabel = nullptr;
    QVBoxLayout* mainLayout = nullptr;
    QPushButton* okButton = nullptr;
};
