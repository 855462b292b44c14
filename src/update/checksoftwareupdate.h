#pragma once

#include "update/updatebody.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>

#include <chrono>

class QNetworkReply;
class QTimer;

// Asks the maker's web service whether a newer version is published and tells the user in a
// message box. One request at a time: a new one aborts the previous reply. The automatic check
// only speaks when a newer version exists; once the user has asked, every outcome is reported.
class CheckSoftwareUpdate : public QObject
{
    Q_OBJECT

public:
    // The placeholder in the update text that the found version replaces.
    static inline const QString VersionPlaceholder = QStringLiteral("$$$VERSION$$$");
    // How long one request may take in all, from asking to the last byte. A server that accepts
    // and then says nothing (a stalled proxy, a hung web service) is no answer; without a limit the
    // check would wait for ever. Generous for the short answer over a slow link.
    static constexpr std::chrono::milliseconds AnswerTimeLimit = std::chrono::seconds(15);

    CheckSoftwareUpdate();
    ~CheckSoftwareUpdate() override;

    void SetGiveInfoForNoUpdates(bool giveInfo);
    void SetUpdateText(const QString& text);
    void SetCurrentVersion(int major, int minor, int revision, int build);
    // The time limit of the requests that start from now on; AnswerTimeLimit unless set.
    void SetAnswerTimeLimit(std::chrono::milliseconds limit);
    // Asks url once delaySeconds have passed; an earlier armed check still runs as well.
    void StartUpdateCheck(const QString& url, int delaySeconds);
    void StartUpdateCheck(const QString& url, std::chrono::milliseconds delay);

signals:
    void signalViewUpdateRequest(QString UpdateCheckInfo);
    // A request has ended and its outcome, if any, has been shown.
    void checkFinished();

private slots:
    void httpFinished();
    void httpReadyRead();
    void updateDataReadProgress(qint64 bytesRead, qint64 totalBytes);
    void CheckForUpdateIntern();
    void slotViewUpdateRequest(QString UpdateCheckInfo);

private:
    void ReleaseReply();
    void AnswerTimedOut();
    bool ReplySucceeded() const;

    bool giveInfoForNoUpdates = false;
    bool dataReceived = false;
    QNetworkAccessManager networkManager;
    QNetworkReply* reply = nullptr;
    std::chrono::milliseconds answerTimeLimit = AnswerTimeLimit;
    // Runs while a request does; its end aborts the request.
    QTimer* answerTimer = nullptr;
    QString updateText;
    QString updateUrl;
    VersionNumbers currentVersion{0, 0, 0, 0};
    // The start of the body, at most UpdateBody::MaxBodyBytes, read once the reply has ended.
    QByteArray body;
};
