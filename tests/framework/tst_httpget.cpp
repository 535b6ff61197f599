#include "DataColumns.h"
#include <KFHttpGet.h>

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QByteArray response(const QByteArray &status, const QByteArray &body, const QByteArray &headers = {})
{
    return "HTTP/1.1 " + status + "\r\nConnection: close\r\n" + headers
        + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

const QHash<QByteArray, QByteArray> responses {
    { "/empty", response("200 OK", "") },
    { "/version", response("200 OK", "1.0.1\n") },
    { "/redirect", response("302 Found", "the redirect's own body", "Location: /final\r\n") },
    { "/final", response("200 OK", "final body") },
    { "/missing", response("404 Not Found", "<html>no such page</html>") },
    { "/broken", response("500 Internal Server Error", "<html>server error</html>") },
    { "/binary", response("200 OK", "caf\xc3\xa9") },
    { "/truncated", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten b" },
    { "/long", response("200 OK", QByteArray(100000, 'x')) },
};

} // namespace

class TestHttpGet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
                    socket->setProperty("request", request);
                    if (request.contains("\r\n\r\n")) {
                        socket->write(responses.value(request.split(' ').value(1)));
                        socket->disconnectFromHost();
                    }
                });
            }
        });
        QVERIFY(server.listen(QHostAddress::LocalHost));
    }

    void bodyIsPassedOnWhateverTheStatus_data()
    {
        addColumns<QString, QString, int>("path", "body", "status");
        QTest::newRow("empty body") << u"/empty"_s << "" << 200;
        QTest::newRow("trailing newline kept") << u"/version"_s << "1.0.1\n" << 200;
        QTest::newRow("redirect keeps the final body only") << u"/redirect"_s << "final body" << 200;
        QTest::newRow("404 page") << u"/missing"_s << "<html>no such page</html>" << 404;
        QTest::newRow("500 page") << u"/broken"_s << "<html>server error</html>" << 500;
        QTest::newRow("non-ASCII reads as no string") << "/binary" << QString() << 200;
        QTest::newRow("as long as the limit") << "/long" << QString(100000, QLatin1Char('x')) << 200;
    }

    // The requester may delete the request inside its completion.
    void bodyIsPassedOnWhateverTheStatus()
    {
        QFETCH(QString, path);
        QFETCH(QString, body);
        QStringList received;
        auto request = std::make_unique<KFHttpGet>();
        request->setMaximumBodySize(100000);
        QSignalSpy failed(request.get(), &KFHttpGet::failed);
        QVERIFY(request->get(url(path), this, [&](KFHttpGet &self) {
            received << self.responseDataAsString();
            QTEST(self.statusCode(), "status");
            request.reset();
        }));
        QVERIFY(!request->get(url(path), this, [](KFHttpGet &) {})); // one request per object
        QTRY_VERIFY(!request);
        QCOMPARE(received, QStringList { body });
        QCOMPARE(received.first().isNull(), body.isNull());
        QTest::qWait(50); // called once; deferred clean-up must not touch the deleted object
        QCOMPARE(received.size(), 1);
        QCOMPARE(failed.size(), 0);
        QVERIFY(!KFHttpGet().get(QStringLiteral("http://exa mple/"), this, [](KFHttpGet &) {}));
    }

    void failuresAreLoggedAndNobodyIsTold()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString refused = QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort());
        closed.close();
        // A body one byte past the limit fails as it arrives.
        for (const QString &target : { refused, url(QStringLiteral("/truncated")), url(QStringLiteral("/long")) }) {
            QTest::ignoreMessage(QtWarningMsg,
                QRegularExpression(
                    QStringLiteral("^Connection failed! Error - .+ %1$").arg(QRegularExpression::escape(target))));
            int completions = 0;
            KFHttpGet request;
            request.setMaximumBodySize(99999);
            QSignalSpy failed(&request, &KFHttpGet::failed);
            QVERIFY(request.get(target, this, [&](KFHttpGet &) { ++completions; }));
            QTRY_COMPARE(failed.size(), 1);
            QTest::qWait(50);
            QCOMPARE(completions, 0);
            QCOMPARE(request.responseDataAsString(), QString(""));
            QCOMPARE(request.bodyTooLarge(), target.endsWith(QLatin1String("/long")));
        }
    }

    // Neither a request deleted while loading nor one whose requester is gone calls its completion.
    void nothingArrivesAfterEitherSideIsGone()
    {
        int completions = 0;
        auto loading = std::make_unique<KFHttpGet>();
        QVERIFY(loading->get(url(QStringLiteral("/version")), this, [&](KFHttpGet &) { ++completions; }));
        loading.reset();
        auto requester = std::make_unique<QObject>();
        KFHttpGet orphaned;
        QVERIFY(orphaned.get(url(QStringLiteral("/version")), requester.get(), [&](KFHttpGet &) { ++completions; }));
        requester.reset();
        QTest::qWait(200);
        QCOMPARE(completions, 0);
    }

private:
    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server.serverPort()).arg(path);
    }
    QTcpServer server;
};

QTEST_GUILESS_MAIN(TestHttpGet)
#include "tst_httpget.moc"
