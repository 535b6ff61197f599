#pragma once

#include "AlertPresenter.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <deque>

class QMessageBox;

// Alerts as message boxes, one on screen at a time, modal for the whole
// application but never waited for: each call returns at once. An alert
// told while another is up waits for it; one that is already up or waiting
// is not told twice. Failures to open files join the failure alert that is
// up or waiting, which then names how many files could not be opened and
// lists each with its reason, so that a flood of failures is one alert.
class MessageBoxAlertPresenter final : public QObject, public AlertPresenter
{
    Q_OBJECT
public:
    explicit MessageBoxAlertPresenter(QObject *parent = nullptr);
    ~MessageBoxAlertPresenter() override;

    void showWarning(QWidget *parent, const QString &message, const QString &informativeText) override;
    void showOpenFailure(QWidget *parent, const QString &path, const QString &reason) override;

    // The alert on screen, or null.
    QMessageBox *currentBox() const;

private:
    struct Failure
    {
        QString path;
        QString reason;
        bool operator==(const Failure &) const = default;
    };
    struct Alert
    {
        QPointer<QWidget> parent;
        QString message;
        QString informativeText;
        // Set for an alert of failures to open, which has no text of its own.
        QList<Failure> failures;
    };

    void enqueue(Alert alert);
    void showNext();
    // Brings the box's texts up to the alert it shows.
    void refreshBox();

    std::deque<Alert> m_waiting;
    Alert m_shown;
    QPointer<QMessageBox> m_box;
    // Failures that come one by one are put in the box a few times a
    // second, not once each.
    QTimer m_refreshTimer;
};
