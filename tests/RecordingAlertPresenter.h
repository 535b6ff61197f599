#pragma once

#include "AlertPresenter.h"

#include <QStringList>

// Answers every alert at once and notes it as "message|informative text".
class RecordingAlertPresenter final : public AlertPresenter
{
public:
    explicit RecordingAlertPresenter(QStringList &alerts)
        : m_alerts(alerts)
    { }
    void showWarning(QWidget *, const QString &message, const QString &informativeText) override
    {
        m_alerts.append(message + QLatin1Char('|') + informativeText);
    }
    void showOpenFailure(QWidget *parent, const QString &path, const QString &reason) override
    {
        showWarning(parent, openFailureMessage(path), reason);
    }

private:
    QStringList &m_alerts;
};
