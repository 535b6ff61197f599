#include "DataColumns.h"
#include "TestDefaults.h"
#include "UpdateCheck.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace {

// An HTTP server on 127.0.0.1 answering every GET with body, at once or when released.
class VersionServer : public QTcpServer
{
public:
    VersionServer()
    {
        QVERIFY(listen(QHostAddress::LocalHost));
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) { // owned by the server
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                    if (!socket->peek(socket->bytesAvailable()).endsWith("\r\n\r\n"))
                        return; // the request is not complete yet
                    requests.append(QString::fromLatin1(socket->readAll().split(' ').value(1)));
                    held.append(socket);
                    if (!holdReplies)
                        releaseReplies();
                });
            }
        });
    }

    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }

    void releaseReplies()
    {
        holdReplies = false;
        for (QTcpSocket *socket : std::exchange(held, {})) {
            socket->write("HTTP/1.1 " + status
                + "\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            socket->disconnectFromHost();
        }
    }

    QByteArray status = "200 OK";
    QByteArray body = VELOTRACE_VERSION;
    bool holdReplies = false;
    QStringList requests;
    QList<QTcpSocket *> held;
};

const QString upToDate = QStringLiteral("Velotrace is up to date.|You are running the latest available version.|OK");

QString outOfDate(const QString &version)
{
    return "Velotrace is out of date.|A newer version (" + version + ") of Velotrace is available.|Not Now|Download";
}

QString failed(const QString &reason)
{
    return "warning|Velotrace could not check for updates.|" + reason + "|OK";
}

const QString notAVersion = failed("The update server's answer is not a version number. Try again later.");

// An alert as "[warning|]message|informative text|buttons...".
QString describe(const UpdateCheck::Alert &alert)
{
    return (alert.warning ? QStringLiteral("warning|") : QString()) + alert.messageText + QLatin1Char('|')
        + alert.informativeText + QLatin1Char('|') + alert.buttons.join(QLatin1Char('|'));
}

void setServer(const QString &base)
{
    defaults().setObjectForKey(base, UpdateCheck::updateServerKey);
}

} // namespace

class TestUpdateCheck : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<UpdateCheck> check;
    QStringList alerts; // described
    int chosenButton = 0; // the button the alerts are answered with
    QList<QUrl> opened;

    void waitForEnd()
    {
        QSignalSpy finished(check.get(), &UpdateCheck::checkFinished);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        UpdateCheck::registerDefaults();
    }

    void init()
    {
        alerts.clear();
        opened.clear();
        chosenButton = 0;
        check = std::make_unique<UpdateCheck>();
        check->setUrlOpener([this](const QUrl &url) { return opened.append(url), true; });
        // Every test but the one of the real message box answers the alerts itself.
        if (QTest::currentTestFunction() != QByteArrayLiteral("theMessageBoxDefaultsToNotNow"))
            check->setAlertPresenter([this](const UpdateCheck::Alert &alert, const std::function<void(int)> &answered) {
                alerts.append(describe(alert));
                answered(chosenButton);
            });
    }

    void cleanup()
    {
        check.reset();
        defaults().removeObjectForKey(UpdateCheck::updateServerKey);
    }

    // Versions compare as numbers; only a version-shaped reply counts, anything else is a failed check.
    void comparesTheVersions_data()
    {
        addColumns<int, QByteArray, int, QString>("status", "latest", "button", "alert");
        QTest::newRow("same version") << 200 << QByteArray(VELOTRACE_VERSION) << 0 << upToDate;
        QTest::newRow("same version, trailing space") << 200 << QByteArray(VELOTRACE_VERSION " ") << 0 << upToDate;
        QTest::newRow("same version, line end") << 200 << QByteArray(VELOTRACE_VERSION "\r\n") << 0 << upToDate;
        QTest::newRow("same version, shorter") << 200 << QByteArray("1.0") << 0 << upToDate;
        QTest::newRow("older") << 200 << QByteArray("0.5.0") << 0
                               << "Velotrace is up to date.|You are running version " VELOTRACE_VERSION
                                  ", which is newer than the latest release (0.5.0).|OK";
        QTest::newRow("newer by number, download") << 200 << QByteArray("1.10.0") << 1 << outOfDate("1.10.0");
        QTest::newRow("markup") << 200 << QByteArray("<b>9.9</b>") << 1 << notAVersion;
        QTest::newRow("version and words") << 200 << QByteArray("2.0.0 beta") << 1 << notAVersion;
        QTest::newRow("404 page") << 404 << QByteArray("1.2") << 1
                                  << failed("The update server answered with an error (HTTP status 404). Try again "
                                            "later.");
        QTest::newRow("HTML page") << 200 << QByteArray("<html>\n<h1>Welcome</h1>\n</html>") << 1 << notAVersion;
        QTest::newRow("empty body") << 200 << QByteArray() << 1 << notAVersion;
        QTest::newRow("10 MB") << 200 << QByteArray(10 << 20, '1') << 1 << notAVersion;
    }

    void comparesTheVersions()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, latest);
        QFETCH(int, button);
        QFETCH(QString, alert);
        VersionServer server;
        server.status = QByteArray::number(status) + (status == 200 ? " OK" : " Not Found");
        server.body = latest;
        setServer(QStringLiteral("127.0.0.1:%1/").arg(server.serverPort())); // the scheme is added
        chosenButton = button;
        if (latest.size() > 65536)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("longer than 65536 bytes")));
        check->checkForUpdates(true);
        QVERIFY(check->isChecking());
        waitForEnd();
        QVERIFY(!check->isChecking());
        QCOMPARE(server.requests, QStringList({ "/latest-version.php?id=1" }));
        QCOMPARE(alerts, QStringList(alert));
        const bool offered = alert.startsWith(QLatin1String("Velotrace is out of date."));
        QCOMPARE(opened,
            offered && button == 1 ? QList<QUrl>({ QUrl(server.base() + "/download.php?id=1") }) : QList<QUrl>());
    }

    // The real message box: Return means "Not Now"; the button clicked is the one acted on.
    void theMessageBoxDefaultsToNotNow_data()
    {
        QTest::addColumn<QString>("press");
        QTest::newRow("Return") << QString();
        QTest::newRow("Download") << "Download";
    }

    void theMessageBoxDefaultsToNotNow()
    {
        QFETCH(QString, press);
        VersionServer server;
        server.body = "99.0";
        setServer(server.base());
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            answerer.stop();
            QCOMPARE(box->defaultButton()->text(), QStringLiteral("Not Now"));
            if (press.isEmpty())
                QTest::keyClick(box, Qt::Key_Return);
            for (QAbstractButton *button : box->buttons()) {
                if (button->text() == press)
                    button->click();
            }
        });
        answerer.start(20);
        check->checkForUpdates(true);
        waitForEnd();
        QCOMPARE(opened.size(), press == "Download" ? 1 : 0);
    }

    void aSecondCheckInFlightStartsNothing()
    {
        VersionServer server;
        server.holdReplies = true;
        setServer(server.base());
        check->checkForUpdates(false);
        QTRY_COMPARE(server.requests.size(), 1);
        check->checkForUpdates(true);
        QTest::qWait(100);
        QCOMPARE(server.requests.size(), 1);
        server.releaseReplies();
        waitForEnd();
        QCOMPARE(alerts.size(), 1);

        // Nor does one asked for while its alert is up; once ended, the next check asks again.
        check->setAlertPresenter([this](const UpdateCheck::Alert &alert, const std::function<void(int)> &answered) {
            alerts.append(describe(alert));
            check->checkForUpdates(true);
            answered(0);
        });
        check->checkForUpdates(false);
        waitForEnd();
        QTest::qWait(100);
        QCOMPARE(server.requests.size(), 2);
        QCOMPARE(alerts.size(), 2);
        QVERIFY(!check->isChecking());
    }

    void aFailedCheckLetsTheNextOneRun_data()
    {
        // reason: shown only when the user asked
        addColumns<QString, bool, QString>("failure", "userAsked", "reason");
        QTest::newRow("refused, asked") << "refused" << true
                                        << "The update server could not be reached. Try again later.";
        QTest::newRow("refused, automatic: silent") << "refused" << false << "";
        QTest::newRow("hangs, asked during the automatic one")
            << "hangs" << true << "The update server did not answer. Try again later.";
        QTest::newRow("no server, asked") << "none" << true << "No update server is configured.";
    }

    void aFailedCheckLetsTheNextOneRun()
    {
        QFETCH(QString, failure);
        QFETCH(bool, userAsked);
        VersionServer server;
        server.holdReplies = true;
        QTcpServer closed; // a port where nobody listens
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString refusing = QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort());
        closed.close();
        setServer(failure == "hangs" ? server.base() : failure == "refused" ? refusing : QString());
        check->setRequestTimeout(failure == "hangs" ? 200 : 5000); // a refusal must come first
        if (failure == "refused")
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Connection failed! Error - .*")));
        QSignalSpy finished(check.get(), &UpdateCheck::checkFinished);
        if (failure == "hangs")
            check->checkForUpdates(false);
        check->checkForUpdates(userAsked);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
        QVERIFY(!check->isChecking());
        QCOMPARE(alerts,
            userAsked
                ? QStringList("warning|Velotrace could not check for updates.|" + fetched<QString>("reason") + "|OK")
                : QStringList());

        // The next check works; a late answer to a timed-out one is ignored.
        alerts.clear();
        setServer(server.base());
        server.releaseReplies();
        check->checkForUpdates(false);
        waitForEnd();
        QTest::qWait(100);
        QCOMPARE(alerts, QStringList(upToDate));
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
