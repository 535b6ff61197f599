#include <KFHttpGet.h>

#include <QPointer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// A small HTTP server on 127.0.0.1 that answers by path.
class TestServer
{
public:
    TestServer()
    {
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(*socket); });
            }
        });
        QVERIFY(server.listen(QHostAddress::LocalHost));
    }

    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server.serverPort()).arg(path);
    }

    QStringList requestedPaths;

private:
    static QByteArray response(const QByteArray &status, const QByteArray &body, const QByteArray &extraHeaders = {})
    {
        return "HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\nConnection: close\r\n" + extraHeaders
            + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    }

    void serve(QTcpSocket &socket)
    {
        // The request so far is kept with its socket, and served once.
        if (socket.property("served").toBool())
            return;
        const QByteArray request = socket.property("request").toByteArray() + socket.readAll();
        socket.setProperty("request", request);
        if (!request.contains("\r\n\r\n"))
            return;
        socket.setProperty("served", true);
        const QByteArray path = request.split(' ').value(1);
        requestedPaths.append(QString::fromLatin1(path));

        if (path == "/empty")
            socket.write(response("200 OK", ""));
        else if (path == "/version")
            socket.write(response("200 OK", "1.0.1\n"));
        else if (path == "/redirect")
            socket.write(response("302 Found", "the redirect's own body", "Location: /final\r\n"));
        else if (path == "/final")
            socket.write(response("200 OK", "final body"));
        else if (path == "/missing")
            socket.write(response("404 Not Found", "<html>no such page</html>"));
        else if (path == "/broken")
            socket.write(response("500 Internal Server Error", "<html>server error</html>"));
        else if (path == "/binary")
            socket.write(response("200 OK", "caf\xc3\xa9"));
        else if (path == "/truncated")
            socket.write("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten b");
        socket.flush();
        socket.disconnectFromHost();
    }

    QTcpServer server;
};

// Records completions: how often, and the body read inside the completion.
class Requester : public QObject
{
public:
    void requestDone(KFHttpGet &request)
    {
        ++completions;
        body = request.responseDataAsString();
    }

    int completions = 0;
    QString body;
};

// Collects the framework's log lines while passing them on to the test's handler.
QStringList loggedLines;
QtMessageHandler testHandler = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    loggedLines.append(message);
    testHandler(type, context, message);
}

} // namespace

class TestHttpGet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { testHandler = qInstallMessageHandler(recordMessage); }
    void init() { loggedLines.clear(); }
    void bodyIsPassedOnWhateverTheStatus_data();
    void bodyIsPassedOnWhateverTheStatus();
    void nonAsciiBodyReadsAsNoString();
    void failuresAreLoggedAndNobodyIsTold_data();
    void failuresAreLoggedAndNobodyIsTold();
    void requestThatCannotStart();
    void deletedInsideItsCompletion();
    void deletedWhileLoading();
    void requesterDestroyedBeforeCompletion();

private:
    TestServer server;
};

void TestHttpGet::bodyIsPassedOnWhateverTheStatus_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("body");

    QTest::newRow("empty body") << "/empty" << "";
    QTest::newRow("trailing newline kept") << "/version" << "1.0.1\n";
    QTest::newRow("redirect keeps the final body") << "/redirect" << "final body";
    QTest::newRow("404 page") << "/missing" << "<html>no such page</html>";
    QTest::newRow("500 page") << "/broken" << "<html>server error</html>";
}

void TestHttpGet::bodyIsPassedOnWhateverTheStatus()
{
    QFETCH(QString, path);
    QFETCH(QString, body);
    Requester requester;
    KFHttpGet request;
    QVERIFY(request.get(server.url(path), &requester, &Requester::requestDone));
    QTRY_COMPARE(requester.completions, 1);
    QCOMPARE(requester.body, body);
    QVERIFY(!requester.body.isNull());
    QVERIFY(loggedLines.isEmpty());
    QTest::qWait(50); // the completion comes once
    QCOMPARE(requester.completions, 1);
}

void TestHttpGet::nonAsciiBodyReadsAsNoString()
{
    Requester requester;
    KFHttpGet request;
    QVERIFY(request.get(server.url("/binary"), &requester, &Requester::requestDone));
    QTRY_COMPARE(requester.completions, 1);
    QVERIFY(requester.body.isNull());
}

void TestHttpGet::failuresAreLoggedAndNobodyIsTold_data()
{
    QTest::addColumn<bool>("refused");
    QTest::newRow("connection refused") << true;
    QTest::newRow("server closes mid-body") << false;
}

void TestHttpGet::failuresAreLoggedAndNobodyIsTold()
{
    QFETCH(bool, refused);
    QString url = server.url("/truncated");
    if (refused) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        url = QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort());
    }
    const QRegularExpression line(QStringLiteral("^Connection failed! Error - .+ %1$")
                                      .arg(QRegularExpression::escape(url)));
    QTest::ignoreMessage(QtWarningMsg, line);

    Requester requester;
    KFHttpGet request;
    QSignalSpy failed(&request, &KFHttpGet::failed);
    QVERIFY(request.get(url, &requester, &Requester::requestDone));
    QTRY_COMPARE(loggedLines.size(), 1);
    QCOMPARE(failed.size(), 1);
    QTest::qWait(50);
    QCOMPARE(requester.completions, 0);
    QCOMPARE(request.responseDataAsString(), QString(""));
}

void TestHttpGet::requestThatCannotStart()
{
    Requester requester;
    KFHttpGet invalid;
    QVERIFY(!invalid.get(QStringLiteral("http://exa mple/"), &requester, &Requester::requestDone));
    QVERIFY(!invalid.get(QStringLiteral("no/scheme"), &requester, &Requester::requestDone));

    KFHttpGet twice; // one request per object
    QVERIFY(twice.get(server.url("/version"), &requester, &Requester::requestDone));
    QVERIFY(!twice.get(server.url("/version"), &requester, &Requester::requestDone));
    QTRY_COMPARE(requester.completions, 1);
    QTest::qWait(50);
    QCOMPARE(requester.completions, 1);
}

void TestHttpGet::deletedInsideItsCompletion()
{
    auto request = std::make_unique<KFHttpGet>();
    QString body;
    QVERIFY(request->get(server.url("/version"), nullptr, [&](KFHttpGet &self) {
        body = self.responseDataAsString();
        request.reset();
    }));
    QTRY_VERIFY(!request);
    QCOMPARE(body, QStringLiteral("1.0.1\n"));
    QTest::qWait(50); // the deferred clean-up runs without touching the deleted object
}

void TestHttpGet::deletedWhileLoading()
{
    Requester requester;
    auto request = std::make_unique<KFHttpGet>();
    QVERIFY(request->get(server.url("/version"), &requester, &Requester::requestDone));
    request.reset();
    QTest::qWait(100);
    QCOMPARE(requester.completions, 0);
    QVERIFY(loggedLines.isEmpty());
}

void TestHttpGet::requesterDestroyedBeforeCompletion()
{
    auto requester = std::make_unique<Requester>();
    KFHttpGet request;
    QVERIFY(request.get(server.url("/version"), requester.get(), &Requester::requestDone));
    requester.reset();
    const int served = server.requestedPaths.size();
    QTRY_COMPARE(server.requestedPaths.size(), served + 1);
    QTest::qWait(100); // under the address sanitizer a call into the destroyed requester fails here
}

QTEST_GUILESS_MAIN(TestHttpGet)
#include "tst_httpget.moc"
