#pragma once

#include "ProgressController.h"

#include <QStringList>

#include <memory>

// A progress display that writes down what it is told, in order.
class FakeProgress final : public ProgressController
{
public:
    explicit FakeProgress(QStringList &log) : m_log(log) { m_log << QStringLiteral("create"); }

    void showWindow() override { m_log << QStringLiteral("show"); }
    void setStatusLine(const QString &text) override { m_log << QStringLiteral("status ") + text; }
    void setMaxValue(double maximum) override { m_log << QStringLiteral("max %1").arg(maximum, 0, 'f', 0); }
    void setRemainingValue(double remaining) override
    {
        m_log << QStringLiteral("remaining %1").arg(remaining, 0, 'f', 0);
    }
    void close() override { m_log << QStringLiteral("close"); }

private:
    QStringList &m_log;
};
