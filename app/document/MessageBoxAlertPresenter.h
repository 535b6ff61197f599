#pragma once

#include "AlertPresenter.h"

// Alerts as modal message boxes.
class MessageBoxAlertPresenter final : public AlertPresenter
{
public:
    void showWarning(QWidget *parent, const QString &message, const QString &informativeText) override;
};
