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
    if (!m_manager)
        return;
    if (m_connection) {
        // Destroyed while loading: stop quietly, nobody is told.
        m_connection->disconnect(this);
        m_connection->abort();
    }
    if (m_delivering) {
        // Destroyed inside its own completion, which runs from the reply's
        // finished signal: the reply and its manager must outlive that signal.
        m_manager.release()->deleteLater();
    }
}

bool KFHttpGet::get(const QString &url, QObject *requester, Completion completion)
{
    const QUrl parsed(url, QUrl::StrictMode);
    if (m_manager || !parsed.isValid() || parsed.isRelative())
        return false;

    m_completionObject = requester;
    m_completionObjectGiven = requester != nullptr;
    m_completionMethod = std::move(completion);
    m_receivedData.clear();
    m_bodyTooLarge = false;
    m_statusCode = 0;
    m_manager = std::make_unique<QNetworkAccessManager>();
    m_manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkRequest request(parsed);
    // A load that stalls this long fails like any other, as loads on other
    // platforms do by default; without it a silent server is waited for forever.
    request.setTransferTimeout(loadTimeoutMilliseconds);
    m_connection = m_manager->get(request);
    if (m_maximumBodySize > 0) // the reply buffers no more than is accepted
        m_connection->setReadBufferSize(m_maximumBodySize + 1);
    connect(m_connection, &QNetworkReply::readyRead, this, &KFHttpGet::connectionDidReceiveData);
    connect(m_connection, &QNetworkReply::redirected, this, &KFHttpGet::connectionDidRedirect);
    connect(m_connection, &QNetworkReply::finished, this, &KFHttpGet::connectionDidFinish);
    return true;
}

QString KFHttpGet::responseDataAsString() const
{
    if (std::any_of(m_receivedData.cbegin(), m_receivedData.cend(), [](char c) { return (c & 0x80) != 0; }))
        return QString();
    QString text = QStringLiteral("");
    text += QLatin1StringView(m_receivedData);
    return text;
}

void KFHttpGet::connectionDidReceiveData()
{
    receiveBody(*m_connection);
    if (m_bodyTooLarge) // ends the load: the reply finishes at once, as failed
        m_connection->abort();
}

void KFHttpGet::receiveBody(QNetworkReply &reply)
{
    if (m_bodyTooLarge)
        return;
    m_receivedData += reply.readAll();
    if (m_maximumBodySize > 0 && m_receivedData.size() > m_maximumBodySize) {
        m_bodyTooLarge = true;
        m_receivedData.clear();
    }
}

void KFHttpGet::connectionDidRedirect()
{
    // A new response begins: only the last response's body is passed on.
    m_receivedData.clear();
}

QString KFHttpGet::failureReason(const QNetworkReply &reply) const
{
    if (m_bodyTooLarge)
        return QStringLiteral("The reply is longer than %1 bytes").arg(m_maximumBodySize);
    const QNetworkReply::NetworkError error = reply.error();
    if (error == QNetworkReply::NoError)
        return {};
    // An error page is a body like any other; the requester reads the status.
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && isHttpStatusError(error))
        return {};
    return reply.errorString();
}

void KFHttpGet::connectionDidFinish()
{
    QNetworkReply *reply = m_connection;
    m_connection = nullptr;
    reply->disconnect(this);
    // Never delete a reply inside its own finished signal.
    reply->deleteLater();

    receiveBody(*reply);
    const QString failure = failureReason(*reply);
    if (!failure.isEmpty()) {
        m_receivedData.clear();
        qWarning().noquote()
            << QStringLiteral("Connection failed! Error - %1 %2").arg(failure, reply->url().toString());
        Q_EMIT failed();
        return;
    }

    m_statusCode = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_completionObjectGiven && !m_completionObject) {
        m_receivedData.clear(); // the requester is gone: nobody to tell
        return;
    }

    // The requester may delete this object inside its completion: the
    // completion is moved out first, and nothing touches the object after
    // it has been deleted.
    const Completion completion = std::move(m_completionMethod);
    m_completionMethod = nullptr;
    const QPointer<KFHttpGet> self(this);
    m_delivering = true;
    if (completion)
        completion(*this);
    if (!self)
        return;
    m_delivering = false;
    m_receivedData.clear();
}
