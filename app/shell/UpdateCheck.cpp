#include "UpdateCheck.h"

#include "DisplayText.h"

#include <KFUserDefaultsController.h>

#include <QDesktopServices>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QVersionNumber>

namespace {

// A request that has not ended by then counts as failed.
constexpr int defaultRequestTimeout = 30000;
// A version is a short line; a longer reply is not read on.
constexpr qint64 replyLimit = 64 * 1024;
const QString notAVersion = QStringLiteral("The update server's answer is not a version number. Try again later.");

// The version a reply names: one to four numbers joined by full stops
// ("1.10.2"), with white space around it allowed; null when the reply is
// anything else, such as an error page, a line of markup or binary data.
QVersionNumber versionOf(const QString &reply)
{
    static const QRegularExpression shape(QStringLiteral("^[0-9]{1,9}(\\.[0-9]{1,9}){0,3}$"));
    const QString line = reply.trimmed();
    return shape.match(line).hasMatch() ? QVersionNumber::fromString(line) : QVersionNumber();
}

void showMessageBox(const UpdateCheck::Alert &alert, const std::function<void(int)> &answered)
{
    auto *box = new QMessageBox(
        alert.warning ? QMessageBox::Warning : QMessageBox::Information, QStringLiteral("Velotrace"), QString());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    DisplayText::setMessageBoxTexts(*box, alert.messageText, alert.informativeText);
    QList<QAbstractButton *> buttons;
    for (qsizetype i = 0; i < alert.buttons.size(); ++i) {
        // The first button answers Return and Escape; the others accept.
        const QMessageBox::ButtonRole role = i == 0 ? QMessageBox::RejectRole : QMessageBox::AcceptRole;
        buttons.append(box->addButton(alert.buttons[i], alert.buttons.size() == 1 ? QMessageBox::AcceptRole : role));
    }
    if (!buttons.isEmpty()) {
        box->setDefaultButton(qobject_cast<QPushButton *>(buttons.first()));
        box->setEscapeButton(buttons.first());
    }
    QObject::connect(box, &QDialog::finished, box,
        [box, buttons, answered] { answered(int(std::max<qsizetype>(0, buttons.indexOf(box->clickedButton())))); });
    box->show();
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
    , m_alertPresenter(showMessageBox)
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
    if (isChecking()) {
        // The user hears how the check in flight ends, even if it started
        // on its own.
        m_userAskedForCheck = m_userAskedForCheck || userAsked;
        return;
    }
    m_userAskedForCheck = userAsked;

    const QUrl url = latestVersionUrl();
    if (url.isEmpty()) {
        updateFailed(QStringLiteral("No update server is configured."));
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
    const QString reply = request.responseDataAsString().trimmed();
    const QVersionNumber latest = versionOf(reply);
    if (latest.isNull()) {
        updateFailed(notAVersion);
        return;
    }

    // Missing parts count as 0: "1.0" is "1.0.0".
    const int order
        = QVersionNumber::compare(latest.normalized(), QVersionNumber::fromString(currentVersion()).normalized());
    if (order > 0) {
        showAlert({ QStringLiteral("Velotrace is out of date."),
                      QStringLiteral("A newer version (%1) of Velotrace is available.").arg(reply),
                      { QStringLiteral("Not Now"), QStringLiteral("Download") } },
            [this](int answer) {
                if (answer != 0)
                    m_urlOpener(downloadUrl());
            });
    } else if (order == 0) {
        showAlert({ QStringLiteral("Velotrace is up to date."),
            QStringLiteral("You are running the latest available version."), { QStringLiteral("OK") } });
    } else {
        showAlert({ QStringLiteral("Velotrace is up to date."),
            QStringLiteral("You are running version %1, which is newer than the latest release (%2).")
                .arg(currentVersion(), reply),
            { QStringLiteral("OK") } });
    }
}

void UpdateCheck::updateFailed(const QString &reason)
{
    m_requestTimer.stop();
    // Deleting a request still loading stops it quietly.
    m_updateRequest.reset();
    if (m_userAskedForCheck) {
        showAlert({ QStringLiteral("Velotrace could not check for updates."), reason, { QStringLiteral("OK") }, true });
        return;
    }
    Q_EMIT checkFinished();
}

void UpdateCheck::showAlert(const Alert &alert, std::function<void(int)> answered)
{
    // The check lasts until its alert is answered: a check asked for
    // meanwhile starts nothing.
    m_alertShown = true;
    const QPointer<UpdateCheck> self(this);
    const auto finish = [self, answered = std::move(answered)](int answer) {
        if (!self)
            return;
        self->m_alertShown = false;
        // The request is deleted inside its own completion, which it allows.
        self->m_updateRequest.reset();
        if (answered)
            answered(answer);
        Q_EMIT self->checkFinished();
    };
    if (m_alertPresenter)
        m_alertPresenter(alert, finish);
    else
        finish(0);
}
