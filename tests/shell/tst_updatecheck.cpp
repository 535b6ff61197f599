#include "UpdateCheck.h"

#include <KFUserDefaultsController.h>

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

// A one-page HTTP server on 127.0.0.1: answers every GET with the body set
// for it, at once or when told.
class VersionServer : public QObject
{
public:
    VersionServer()
    {
        QVERIFY(server.listen(QHostAddress::LocalHost));
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()); }

    QByteArray body = VELOTRACE_VERSION;
    bool holdReplies = false;
    QStringList requests;

    void releaseReplies()
    {
        holdReplies = false;
        for (const QPointer<QTcpSocket> &socket : std::as_const(held)) {
            if (socket)
                reply(socket);
        }
        held.clear();
    }

private:
    void readRequest(QTcpSocket *socket)
    {
        QByteArray &request = pending[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        requests.append(QString::fromLatin1(request.split(' ').value(1)));
        pending.remove(socket);
        if (holdReplies)
            held.append(socket);
        else
            reply(socket);
    }

    void reply(QTcpSocket *socket)
    {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QTcpServer server;
    QHash<QTcpSocket *, QByteArray> pending;
    QList<QPointer<QTcpSocket>> held;
};

// Records the alerts shown and answers them with the button given.
struct AlertLog
{
    QList<UpdateCheck::Alert> shown;
    int answer = 0;
};

void setServer(const QString &base)
{
    KFUserDefaultsController::sharedUserDefaultsController().setObjectForKey(base, UpdateCheck::updateServerKey);
}

// A port on 127.0.0.1 where nobody listens.
QString refusingServer()
{
    QTcpServer closed;
    if (!closed.listen(QHostAddress::LocalHost))
        return QString();
    const quint16 port = closed.serverPort();
    closed.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

} // namespace

class TestUpdateCheck : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<UpdateCheck> check;
    AlertLog alerts;
    QList<QUrl> opened;

    void waitForEnd(int checks = 1)
    {
        QSignalSpy finished(check.get(), &UpdateCheck::checkFinished);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), checks, 10000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        UpdateCheck::registerDefaults();
    }

    void init()
    {
        alerts = AlertLog();
        opened.clear();
        check = std::make_unique<UpdateCheck>();
        check->setAlertPresenter([this](const UpdateCheck::Alert &alert) {
            alerts.shown.append(alert);
            return alerts.answer;
        });
        check->setUrlOpener([this](const QUrl &url) {
            opened.append(url);
            return true;
        });
    }

    void cleanup()
    {
        check.reset();
        KFUserDefaultsController::sharedUserDefaultsController().removeObjectForKey(UpdateCheck::updateServerKey);
    }

    void theBuildSetsTheDefaultServer()
    {
        QCOMPARE(KFUserDefaultsController::sharedUserDefaultsController().stringForKey(UpdateCheck::updateServerKey),
            UpdateCheck::defaultUpdateServer());
        QCOMPARE(UpdateCheck::currentVersion(), QStringLiteral(VELOTRACE_VERSION));
    }

    void serverPages_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("latest");
        QTest::addColumn<QString>("download");
        QTest::newRow("host") << "http://updates.example.org"
                              << "http://updates.example.org/latest-version.php?id=1"
                              << "http://updates.example.org/download.php?id=1";
        QTest::newRow("no scheme, trailing slash")
            << "updates.example.org:8080/velotrace/"
            << "http://updates.example.org:8080/velotrace/latest-version.php?id=1"
            << "http://updates.example.org:8080/velotrace/download.php?id=1";
        QTest::newRow("none") << ""
                              << ""
                              << "";
        QTest::newRow("blank") << "  "
                               << ""
                               << "";
    }

    void serverPages()
    {
        QFETCH(QString, server);
        QFETCH(QString, latest);
        QFETCH(QString, download);
        setServer(server);
        QCOMPARE(UpdateCheck::latestVersionUrl().toString(), latest);
        QCOMPARE(UpdateCheck::downloadUrl().toString(), download);
    }

    void answer_data()
    {
        QTest::addColumn<QByteArray>("latest");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("upToDate");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("downloads");
        QTest::newRow("same version") << QByteArray(VELOTRACE_VERSION) << 0 << true << QString() << false;
        QTest::newRow("older, not now") << QByteArray("0.9.9") << 0 << false << "0.9.9" << false;
        QTest::newRow("newer, not now") << QByteArray("1.10.0") << 0 << false << "1.10.0" << false;
        QTest::newRow("newer, download") << QByteArray("1.10.0") << 1 << false << "1.10.0" << true;
        QTest::newRow("older, download") << QByteArray("0.1") << 1 << false << "0.1" << true;
        QTest::newRow("trailing newline") << QByteArray(VELOTRACE_VERSION "\n") << 0 << false << VELOTRACE_VERSION "\n"
                                          << false;
        QTest::newRow("empty body") << QByteArray() << 1 << false << QString() << true;
        QTest::newRow("not ASCII") << QByteArray("1.0.0\xc3\xa9") << 0 << false << QString() << false;
    }

    void answer()
    {
        QFETCH(QByteArray, latest);
        QFETCH(int, button);
        QFETCH(bool, upToDate);
        QFETCH(QString, shown);
        QFETCH(bool, downloads);

        VersionServer server;
        server.body = latest;
        setServer(server.base());
        alerts.answer = button;

        check->checkForUpdates(true);
        QVERIFY(check->isChecking());
        waitForEnd();

        QCOMPARE(server.requests, QStringList({ "/latest-version.php?id=1" }));
        QCOMPARE(alerts.shown.size(), 1);
        const UpdateCheck::Alert &alert = alerts.shown.first();
        QVERIFY(!alert.warning);
        if (upToDate) {
            QCOMPARE(alert.messageText, QStringLiteral("Velotrace is up to date."));
            QCOMPARE(alert.informativeText, QStringLiteral("You are running the latest available version."));
            QCOMPARE(alert.buttons, QStringList({ "OK" }));
        } else {
            QCOMPARE(alert.messageText, QStringLiteral("Velotrace is out of date."));
            QCOMPARE(
                alert.informativeText, QStringLiteral("A newer version (%1) of Velotrace is available.").arg(shown));
            QCOMPARE(alert.buttons, QStringList({ "Not Now", "Download" }));
        }
        const QList<QUrl> expectedPages
            = downloads ? QList<QUrl>({ QUrl(server.base() + "/download.php?id=1") }) : QList<QUrl>();
        QCOMPARE(opened, expectedPages);
        QVERIFY(!check->isChecking());
    }

    void theMessageBoxDefaultsToNotNow_data()
    {
        QTest::addColumn<QString>("press");
        QTest::addColumn<int>("pagesOpened");
        QTest::newRow("Return") << QString() << 0;
        QTest::newRow("Not Now") << "Not Now" << 0;
        QTest::newRow("Download") << "Download" << 1;
    }

    void theMessageBoxDefaultsToNotNow()
    {
        QFETCH(QString, press);
        QFETCH(int, pagesOpened);
        VersionServer server;
        server.body = "99.0";
        setServer(server.base());
        UpdateCheck realAlerts;
        realAlerts.setUrlOpener([this](const QUrl &url) {
            opened.append(url);
            return true;
        });

        QStringList buttonTexts;
        QTimer answerer;
        answerer.setInterval(20);
        connect(&answerer, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            answerer.stop();
            for (QAbstractButton *button : box->buttons())
                buttonTexts.append(button->text());
            QCOMPARE(box->informativeText(), QStringLiteral("A newer version (99.0) of Velotrace is available."));
            QCOMPARE(box->defaultButton()->text(), QStringLiteral("Not Now"));
            if (press.isEmpty()) {
                QTest::keyClick(box, Qt::Key_Return);
            } else {
                for (QAbstractButton *button : box->buttons()) {
                    if (button->text() == press)
                        button->click();
                }
            }
        });
        answerer.start();

        QSignalSpy finished(&realAlerts, &UpdateCheck::checkFinished);
        realAlerts.checkForUpdates(true);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
        buttonTexts.sort();
        QCOMPARE(buttonTexts, QStringList({ "Download", "Not Now" }));
        QCOMPARE(opened.size(), pagesOpened);
    }

    void oneCheckAtATime()
    {
        VersionServer server;
        server.holdReplies = true;
        setServer(server.base());

        check->checkForUpdates(false);
        QTRY_COMPARE(server.requests.size(), 1);
        check->checkForUpdates(true);
        check->checkForUpdates(true);
        QTest::qWait(100);
        QCOMPARE(server.requests.size(), 1);
        QVERIFY(alerts.shown.isEmpty());

        server.releaseReplies();
        waitForEnd();
        QCOMPARE(alerts.shown.size(), 1);

        // Once it has ended, the next check asks again.
        check->checkForUpdates(false);
        waitForEnd();
        QCOMPARE(server.requests.size(), 2);
        QCOMPARE(alerts.shown.size(), 2);
    }

    void aCheckDuringTheAlertStartsNothing()
    {
        VersionServer server;
        setServer(server.base());
        check->setAlertPresenter([this](const UpdateCheck::Alert &alert) {
            alerts.shown.append(alert);
            check->checkForUpdates(true);
            return 0;
        });
        check->checkForUpdates(true);
        waitForEnd();
        QTest::qWait(100);
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(alerts.shown.size(), 1);
        QVERIFY(!check->isChecking());
    }

    void aFailedCheckLetsTheNextOneRun_data()
    {
        QTest::addColumn<bool>("userAsked");
        QTest::newRow("asked by the user") << true;
        QTest::newRow("automatic") << false;
    }

    void aFailedCheckLetsTheNextOneRun()
    {
        QFETCH(bool, userAsked);
        const QString refusing = refusingServer();
        QVERIFY(!refusing.isEmpty());
        setServer(refusing);
        // Long enough for the refusal to be logged first, even on a busy machine.
        check->setRequestTimeout(1500);

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Connection failed! Error - .*")));
        check->checkForUpdates(userAsked);
        waitForEnd();
        QVERIFY(!check->isChecking());
        if (userAsked) {
            QCOMPARE(alerts.shown.size(), 1);
            QCOMPARE(alerts.shown.first().messageText, QStringLiteral("Velotrace could not check for updates."));
            QVERIFY(alerts.shown.first().warning);
            QCOMPARE(alerts.shown.first().buttons, QStringList({ "OK" }));
        } else {
            QVERIFY(alerts.shown.isEmpty());
        }

        VersionServer server;
        setServer(server.base());
        alerts.shown.clear();
        check->checkForUpdates(false);
        waitForEnd();
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(alerts.shown.size(), 1);
        QCOMPARE(alerts.shown.first().messageText, QStringLiteral("Velotrace is up to date."));
    }

    void aServerThatNeverAnswersTimesOut()
    {
        VersionServer server;
        server.holdReplies = true;
        setServer(server.base());
        check->setRequestTimeout(200);

        check->checkForUpdates(false);
        // The user asks while the automatic check hangs: the user hears of it.
        check->checkForUpdates(true);
        waitForEnd();
        QVERIFY(!check->isChecking());
        QCOMPARE(alerts.shown.size(), 1);
        QVERIFY(alerts.shown.first().warning);
        server.releaseReplies();
        QTest::qWait(100);
        QCOMPARE(alerts.shown.size(), 1);
    }

    void noServerConfigured_data()
    {
        QTest::addColumn<bool>("userAsked");
        QTest::addColumn<int>("alertCount");
        QTest::newRow("asked by the user") << true << 1;
        QTest::newRow("automatic") << false << 0;
    }

    void noServerConfigured()
    {
        QFETCH(bool, userAsked);
        QFETCH(int, alertCount);
        setServer(QString());
        QSignalSpy finished(check.get(), &UpdateCheck::checkFinished);
        check->checkForUpdates(userAsked);
        QCOMPARE(finished.size(), 1);
        QVERIFY(!check->isChecking());
        QCOMPARE(alerts.shown.size(), alertCount);
        if (alertCount)
            QCOMPARE(alerts.shown.first().informativeText, QStringLiteral("No update server is configured."));
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
