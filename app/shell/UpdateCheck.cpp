#include "UpdateCheck.h"

#include "DisplayText.h"

#include <KFUserDefaultsController.h>

#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>

namespace {

// A request that has not ended by then counts as failed.
constexpr int defaultRequestTimeout = 30000;
// A version is a short line; a longer reply is not read on.
constexpr qint64 replyLimit = 64 * 1024;
constexpr qsizetype versionLimit = 64;
const QString notAVersion = QStringLiteral("The update server's answer is not a version number. Try again later.");

// The version a reply names: its one line of at most versionLimit printable
// ASCII characters (a line end after it is allowed), or null when the reply
// is anything else, such as an error page or binary data.
QString plausibleVersion(const QString &reply)
{
    QString line = reply;
    if (line.endsWith(QLatin1Char('\n')))
        line.chop(line.endsWith(QLatin1String("\r\n")) ? 2 : 1);
    if (line.isEmpty() || line.size() > versionLimit)
        return {};
    for (const QChar c : line) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return {};
    }
    return line;
}

int runMessageBox(const UpdateCheck::Alert &alert)
{
    QMessageBox box(
        alert.warning ? QMessageBox::Warning : QMessageBox::Information, QStringLiteral("Velotrace"), QString());
    DisplayText::setMessageBoxTexts(box, alert.messageText, alert.informativeText);
    QList<QAbstractButton *> buttons;
    for (qsizetype i = 0; i < alert.buttons.size(); ++i) {
        // The first button answers Return and Escape; the others accept.
        const QMessageBox::ButtonRole role = i == 0 ? QMessageBox::RejectRole : QMessageBox::AcceptRole;
        buttons.append(box.addButton(alert.buttons[i], alert.buttons.size() == 1 ? QMessageBox::AcceptRole : role));
    }
    if (!buttons.isEmpty()) {
        box.setDefaultButton(qobject_cast<QPushButton *>(buttons.first()));
        box.setEscapeButton(buttons.first());
    }
    box.exec();
    return std::max<qsizetype>(0, buttons.indexOf(box.clickedButton()));
}

// The server's page at path, with the query "id=1".
QUrl serverPage(const QString &path)
{
    QString server
        = KFUserDefaultsController::sharedUserDefaultsController().stringForKey(UpdateCheck::updateServerKey).trimmed();
    if (server.isEmpty())
        return QUrl();
    if (!server.contains(QLatin1String("://")))
        server.prepend(QLatin1String("http://"));
    QUrl url(server, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return QUrl();
    QString base = url.path();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    url.setPath(base + path);
    url.setQuery(QStringLiteral("id=1"));
    url.setFragment(QString());
    return url;
}

} // namespace

const QString UpdateCheck::updateServerKey = QStringLiteral("updateServer");

// The update server the program asks unless the user's settings name
// another; the build sets it, and a build without one asks nobody.
QString UpdateCheck::defaultUpdateServer()
{
    return QStringLiteral(VELOTRACE_UPDATE_SERVER);
}

void UpdateCheck::registerDefaults()
{
    KFUserDefaultsController::sharedUserDefaultsController().registerDefaults(
        { { updateServerKey, defaultUpdateServer() } });
}

UpdateCheck::UpdateCheck(QObject *parent)
    : QObject(parent)
    , m_alertPresenter(runMessageBox)
    , m_urlOpener([](const QUrl &url) { return QDesktopServices::openUrl(url); })
{
    m_requestTimer.setSingleShot(true);
    m_requestTimer.setInterval(defaultRequestTimeout);
    connect(&m_requestTimer, &QTimer::timeout, this,
        [this] { updateFailed(QStringLiteral("The update server did not answer. Try again later.")); });
}

UpdateCheck::~UpdateCheck() = default;

void UpdateCheck::setAlertPresenter(AlertPresenter presenter)
{
    m_alertPresenter = std::move(presenter);
}

void UpdateCheck::setUrlOpener(UrlOpener opener)
{
    m_urlOpener = std::move(opener);
}

void UpdateCheck::setRequestTimeout(int milliseconds)
{
    m_requestTimer.setInterval(milliseconds);
}

QString UpdateCheck::currentVersion()
{
    return QStringLiteral(VELOTRACE_VERSION);
}

QUrl UpdateCheck::latestVersionUrl()
{
    return serverPage(QStringLiteral("/latest-version.php"));
}

QUrl UpdateCheck::downloadUrl()
{
    return serverPage(QStringLiteral("/download.php"));
}

void UpdateCheck::checkForUpdates(bool userAsked)
{
    if (m_updateRequest) {
        // The user hears how the check in flight ends, even if it started
        // on its own.
        m_userAskedForCheck = m_userAskedForCheck || userAsked;
        return;
    }
    m_userAskedForCheck = userAsked;

    const QUrl url = latestVersionUrl();
    if (url.isEmpty()) {
        if (m_userAskedForCheck) {
            showAlert({ QStringLiteral("Velotrace could not check for updates."),
                QStringLiteral("No update server is configured."), { QStringLiteral("OK") }, true });
        }
        Q_EMIT checkFinished();
        return;
    }

    m_updateRequest = std::make_unique<KFHttpGet>();
    m_updateRequest->setMaximumBodySize(replyLimit);
    connect(m_updateRequest.get(), &KFHttpGet::failed, this, [this] {
        const bool tooLarge = m_updateRequest->bodyTooLarge();
        // The request is still inside its own signal: it goes later.
        m_updateRequest.release()->deleteLater();
        updateFailed(
            tooLarge ? notAVersion : QStringLiteral("The update server could not be reached. Try again later."));
    });
    if (!m_updateRequest->get(url.toString(QUrl::FullyEncoded), this, &UpdateCheck::gotUpdateData)) {
        updateFailed(QStringLiteral("The update server's address is not valid."));
        return;
    }
    m_requestTimer.start();
}

void UpdateCheck::gotUpdateData(KFHttpGet &request)
{
    m_requestTimer.stop();
    if (request.statusCode() >= 400) {
        updateFailed(QStringLiteral("The update server answered with an error (HTTP status %1). Try again later.")
                         .arg(request.statusCode()));
        return;
    }
    const QString latest = plausibleVersion(request.responseDataAsString());
    if (latest.isNull()) {
        updateFailed(notAVersion);
        return;
    }

    // The versions are compared exactly: any difference, whichever is
    // higher, offers the download.
    if (latest == currentVersion()) {
        showAlert({ QStringLiteral("Velotrace is up to date."),
            QStringLiteral("You are running the latest available version."), { QStringLiteral("OK") } });
    } else {
        const int answer = showAlert({ QStringLiteral("Velotrace is out of date."),
            QStringLiteral("A newer version (%1) of Velotrace is available.").arg(latest),
            { QStringLiteral("Not Now"), QStringLiteral("Download") } });
        if (answer != 0)
            m_urlOpener(downloadUrl());
    }

    // The request is deleted inside its own completion, which it allows.
    m_updateRequest.reset();
    Q_EMIT checkFinished();
}

void UpdateCheck::updateFailed(const QString &reason)
{
    m_requestTimer.stop();
    // Deleting a request still loading stops it quietly.
    m_updateRequest.reset();
    if (m_userAskedForCheck) {
        showAlert({ QStringLiteral("Velotrace could not check for updates."), reason, { QStringLiteral("OK") }, true });
    }
    Q_EMIT checkFinished();
}

int UpdateCheck::showAlert(const Alert &alert) const
{
    return m_alertPresenter ? m_alertPresenter(alert) : 0;
}
