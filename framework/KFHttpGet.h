#pragma once

#include "KestruneFoundationExport.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

// Fetches one URL with an HTTP GET, asynchronously. When the whole body has
// arrived the completion is called once with this object, which the
// requester reads with responseDataAsString() and may delete right there.
// A failed load is logged and the completion is not called; the failed()
// signal lets an owner that keeps track of its request clear it. One
// request per object. A body longer than the limit set fails the load as
// soon as the excess arrives, so that a server cannot fill the memory.
class KESTRUNEFOUNDATION_EXPORT KFHttpGet final : public QObject
{
    Q_OBJECT
public:
    using Completion = std::function<void(KFHttpGet &)>;

    explicit KFHttpGet(QObject *parent = nullptr);
    ~KFHttpGet() override;

    // Starts the request; false if it could not be started (an invalid URL,
    // or a request already made), in which case nothing follows. The
    // completion is skipped if completionObject has been destroyed by then.
    bool get(const QString &url, QObject *completionObject, Completion completionMethod);

    template <typename Requester>
    bool get(const QString &url, Requester *completionObject, void (Requester::*completionMethod)(KFHttpGet &))
    {
        return get(url, completionObject, [completionObject, completionMethod](KFHttpGet &request) {
            (completionObject->*completionMethod)(request);
        });
    }

    // The most bytes of body accepted; 0 (the default) for no limit. Set
    // before get().
    void setMaximumBodySize(qint64 bytes) { m_maximumBodySize = bytes; }

    // The body received so far as ASCII text; a null string if it holds
    // bytes outside 7-bit ASCII. Empty once the completion has returned.
    QString responseDataAsString() const;
    // The HTTP status of the response, e.g. 200 or 404; 0 before one has
    // arrived or for a URL that is not HTTP.
    int statusCode() const { return m_statusCode; }
    // Whether the load failed because the body went past the limit.
    bool bodyTooLarge() const { return m_bodyTooLarge; }

Q_SIGNALS:
    // The load failed (after the failure was logged). The object must not be
    // deleted inside this signal; use deleteLater().
    void failed();

private:
    void connectionDidReceiveData();
    void connectionDidRedirect();
    void connectionDidFinish();
    // Appends what the reply has of the body, up to the limit.
    void receiveBody(QNetworkReply &reply);
    // Why the load failed, or empty when its body may be passed on.
    QString failureReason(const QNetworkReply &reply) const;

    QByteArray m_receivedData;
    QPointer<QObject> m_completionObject;
    bool m_completionObjectGiven = false;
    Completion m_completionMethod;
    std::unique_ptr<QNetworkAccessManager> m_manager;
    QNetworkReply *m_connection = nullptr; // owned by the manager
    bool m_delivering = false;
    qint64 m_maximumBodySize = 0;
    bool m_bodyTooLarge = false;
    int m_statusCode = 0;
};
