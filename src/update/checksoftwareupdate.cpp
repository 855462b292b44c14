#include "update/checksoftwareupdate.h"

#include <QMessageBox>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

CheckSoftwareUpdate::CheckSoftwareUpdate() : answerTimer(new QTimer(this))
{
    answerTimer->setSingleShot(true);
    connect(answerTimer, &QTimer::timeout, this, &CheckSoftwareUpdate::AnswerTimedOut);
    connect(this, &CheckSoftwareUpdate::signalViewUpdateRequest, this,
            &CheckSoftwareUpdate::slotViewUpdateRequest);
}

CheckSoftwareUpdate::~CheckSoftwareUpdate()
{
    disconnect(this, &CheckSoftwareUpdate::signalViewUpdateRequest, this,
               &CheckSoftwareUpdate::slotViewUpdateRequest);
    if (reply) {
        reply->disconnect(this);
        reply->abort();
        delete reply;
        reply = nullptr;
    }
}

void CheckSoftwareUpdate::SetGiveInfoForNoUpdates(bool giveInfo)
{
    giveInfoForNoUpdates = giveInfo;
}

void CheckSoftwareUpdate::SetUpdateText(const QString& text)
{
    updateText = text;
}

void CheckSoftwareUpdate::SetCurrentVersion(int major, int minor, int revision, int build)
{
    currentVersion = {major, minor, revision, build};
}

void CheckSoftwareUpdate::SetAnswerTimeLimit(std::chrono::milliseconds limit)
{
    answerTimeLimit = limit;
}

void CheckSoftwareUpdate::StartUpdateCheck(const QString& url, int delaySeconds)
{
    StartUpdateCheck(url, std::chrono::seconds(delaySeconds));
}

void CheckSoftwareUpdate::StartUpdateCheck(const QString& url, std::chrono::milliseconds delay)
{
    updateUrl = url;
    QTimer::singleShot(delay, this, &CheckSoftwareUpdate::CheckForUpdateIntern);
}

void CheckSoftwareUpdate::CheckForUpdateIntern()
{
    ReleaseReply();
    dataReceived = false;
    body.clear();

    QNetworkRequest request{QUrl(updateUrl)};
    // The service answers in place; a redirect is not an answer, and following it would ask a
    // host the program was never told about.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    reply = networkManager.get(request);
    connect(reply, &QNetworkReply::finished, this, &CheckSoftwareUpdate::httpFinished);
    connect(reply, &QNetworkReply::readyRead, this, &CheckSoftwareUpdate::httpReadyRead);
    connect(reply, &QNetworkReply::downloadProgress, this, &CheckSoftwareUpdate::updateDataReadProgress);
    answerTimer->start(answerTimeLimit);
}

void CheckSoftwareUpdate::AnswerTimedOut()
{
    // The reply ends as aborted and finishes with an error: no answer, told as the rules for that
    // say (only a check the user asked for speaks).
    if (reply && reply->isRunning())
        reply->abort();
}

void CheckSoftwareUpdate::ReleaseReply()
{
    answerTimer->stop();
    if (!reply)
        return;
    // Disconnected first: an aborted reply announces that it finished, and that is not an outcome
    // of the request that replaces it. Deleted later, because this may run inside a message box
    // opened from that reply's own finished().
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
    reply = nullptr;
}

void CheckSoftwareUpdate::httpReadyRead()
{
    if (!reply)
        return;
    const qint64 available = reply->bytesAvailable();
    if (available <= 0)
        return;
    dataReceived = true;
    // Only the start of the body is kept. The rest is dropped unread, so that a huge answer costs
    // neither memory nor copies while the window waits.
    const qint64 room = UpdateBody::MaxBodyBytes - body.size();
    if (room > 0)
        body.append(reply->read(qMin(room, available)));
    if (reply->bytesAvailable() > 0)
        reply->skip(reply->bytesAvailable());
}

void CheckSoftwareUpdate::updateDataReadProgress(qint64 bytesRead, qint64 totalBytes)
{
    Q_UNUSED(bytesRead);
    Q_UNUSED(totalBytes);
}

bool CheckSoftwareUpdate::ReplySucceeded() const
{
    if (!reply || reply->error() != QNetworkReply::NoError)
        return false;
    // An error page (404, 500) or a redirect carries no answer of the service, whatever its body.
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return !status.isValid() || (status.toInt() >= 200 && status.toInt() <= 299);
}

void CheckSoftwareUpdate::httpFinished()
{
    if (sender() != reply)
        return;
    answerTimer->stop();
    const bool received = dataReceived && ReplySucceeded();
    dataReceived = false;
    const QByteArray answer = std::exchange(body, QByteArray());

    // The whole body is read at once: a version line may arrive split over several chunks, and
    // one request has one outcome.
    if (!received) {
        if (giveInfoForNoUpdates)
            emit signalViewUpdateRequest(tr("No internet connection for check updates available!"));
    } else if (const std::optional<VersionNumbers> newer = UpdateBody::newerVersion(answer, currentVersion)) {
        QString message = updateText;
        message.replace(VersionPlaceholder, UpdateBody::versionText(*newer), Qt::CaseSensitive);
        emit signalViewUpdateRequest(message);
    } else if (giveInfoForNoUpdates) {
        emit signalViewUpdateRequest(tr("No updates available."));
    }
    emit checkFinished();
}

void CheckSoftwareUpdate::slotViewUpdateRequest(QString UpdateCheckInfo)
{
    QMessageBox::information(nullptr, tr("Update Check"), UpdateCheckInfo, QMessageBox::Ok,
                             QMessageBox::NoButton);
}
