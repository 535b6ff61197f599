#pragma once

#include <KFHttpGet.h>

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

// Asks the update server which version is the latest and tells the user
// whether this copy is up to date, offering the download page when it is
// not. One check runs at a time, until the user has answered its alert;
// alerts never wait in an event loop of their own.
//
// The server's base URL is the setting "updateServer"; its registered
// default is fixed when the program is built. A check the user asked for
// says so when it fails or when no server is configured; the automatic
// check at launch stays silent then.
class UpdateCheck final : public QObject
{
    Q_OBJECT
public:
    // One modal alert. The first button is the default one (Return).
    struct Alert
    {
        QString messageText;
        QString informativeText;
        QStringList buttons;
        bool warning = false;
    };
    // Shows an alert, returning at once; `answered` is called with the
    // index of the button chosen once the user has answered.
    using AlertPresenter = std::function<void(const Alert &alert, const std::function<void(int)> &answered)>;
    // Opens a page in the user's web browser.
    using UrlOpener = std::function<bool(const QUrl &url)>;

    // The settings key of the server's base URL, and its registered default.
    static const QString updateServerKey;
    static QString defaultUpdateServer();
    // Registers the default of "updateServer" with the settings object.
    static void registerDefaults();

    // Alerts as message boxes and pages through the desktop's browser unless
    // other ones are given.
    explicit UpdateCheck(QObject *parent = nullptr);
    ~UpdateCheck() override;

    void setAlertPresenter(AlertPresenter presenter);
    void setUrlOpener(UrlOpener opener);
    // How long a request may take before it counts as failed.
    void setRequestTimeout(int milliseconds);

    // Starts a check unless one is in flight.
    void checkForUpdates(bool userAsked);
    // Completion of the request: compares the versions and shows the result.
    void gotUpdateData(KFHttpGet &request);

    // From the request until its outcome has been answered.
    bool isChecking() const { return m_updateRequest || m_alertShown; }
    // The application's own version, as the build sets it.
    static QString currentVersion();
    // The update server's pages, from the "updateServer" setting; empty when
    // no server is configured.
    static QUrl latestVersionUrl();
    static QUrl downloadUrl();

Q_SIGNALS:
    // After a check has ended, whatever its outcome.
    void checkFinished();

private:
    void updateFailed(const QString &reason);
    // The check ends once the alert is answered.
    void showAlert(const Alert &alert, std::function<void(int)> answered = {});

    std::unique_ptr<KFHttpGet> m_updateRequest;
    bool m_userAskedForCheck = false;
    bool m_alertShown = false;
    QTimer m_requestTimer;
    AlertPresenter m_alertPresenter;
    UrlOpener m_urlOpener;
};
