#include "KFHttpGet.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <algorithm>

namespace {

constexpr int loadTimeoutMilliseconds = 60 * 1000;

// Errors that stand for an HTTP status of 400 or more: the response itself
// arrived in full, so its body is passed on like any other.
bool isHttpStatusError(QNetworkReply::NetworkError error)
{
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError
               && error != QNetworkReply::ContentReSendError)
        || error == QNetworkReply::ProtocolInvalidOperationError
        || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

} // namespace

KFHttpGet::KFHttpGet(QObject *parent)
    : QObject(parent)
{ }

KFHttpGet::~KFHttpGet()
{
    if (!manager)
        return;
    if (theConnection) {
        // Destroyed while loading: stop quietly, nobody is told.
        theConnection->disconnect(this);
        theConnection->abort();
    }
    if (delivering) {
        // Destroyed inside its own completion, which runs from the reply's
        // finished signal: the reply and its manager must outlive that signal.
        manager.release()->deleteLater();
    }
}

bool KFHttpGet::get(const QString &url, QObject *requester, Completion completion)
{
    const QUrl parsed(url, QUrl::StrictMode);
    if (manager || !parsed.isValid() || parsed.isRelative())
        return false;

    completionObject = requester;
    completionObjectGiven = requester != nullptr;
    completionMethod = std::move(completion);
    receivedData.clear();
    manager = std::make_unique<QNetworkAccessManager>();
    manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkRequest request(parsed);
    // A load that stalls this long fails like any other, as loads on other
    // platforms do by default; without it a silent server is waited for forever.
    request.setTransferTimeout(loadTimeoutMilliseconds);
    theConnection = manager->get(request);
    connect(theConnection, &QNetworkReply::readyRead, this, &KFHttpGet::connectionDidReceiveData);
    connect(theConnection, &QNetworkReply::redirected, this, &KFHttpGet::connectionDidRedirect);
    connect(theConnection, &QNetworkReply::finished, this, &KFHttpGet::connectionDidFinish);
    return true;
}

QString KFHttpGet::responseDataAsString() const
{
    if (std::any_of(receivedData.cbegin(), receivedData.cend(), [](char c) { return (c & 0x80) != 0; }))
        return QString();
    QString text = QStringLiteral("");
    text += QLatin1StringView(receivedData);
    return text;
}

void KFHttpGet::connectionDidReceiveData()
{
    receivedData += theConnection->readAll();
}

void KFHttpGet::connectionDidRedirect()
{
    // A new response begins: only the last response's body is passed on.
    receivedData.clear();
}

bool KFHttpGet::loadFailed() const
{
    const QNetworkReply::NetworkError error = theConnection->error();
    if (error == QNetworkReply::NoError)
        return false;
    // The status code is not looked at: an error page is a body like any other.
    const QVariant status = theConnection->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return !(status.isValid() && isHttpStatusError(error));
}

void KFHttpGet::connectionDidFinish()
{
    QNetworkReply *reply = theConnection;
    reply->disconnect(this);
    // Never delete a reply inside its own finished signal.
    reply->deleteLater();

    if (loadFailed()) {
        theConnection = nullptr;
        receivedData.clear();
        qWarning().noquote()
            << QStringLiteral("Connection failed! Error - %1 %2").arg(reply->errorString(), reply->url().toString());
        Q_EMIT failed();
        return;
    }

    receivedData += reply->readAll();
    theConnection = nullptr;
    if (completionObjectGiven && !completionObject) {
        receivedData.clear(); // the requester is gone: nobody to tell
        return;
    }

    // The requester may delete this object inside its completion: the
    // completion is moved out first, and nothing touches the object after
    // it has been deleted.
    const Completion completion = std::move(completionMethod);
    completionMethod = nullptr;
    const QPointer<KFHttpGet> self(this);
    delivering = true;
    if (completion)
        completion(*this);
    if (!self)
        return;
    delivering = false;
    receivedData.clear();
}
