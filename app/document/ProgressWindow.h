#pragma once

#include "ProgressController.h"

#include <QDialog>

#include <memory>

namespace Ui {
class Progress;
}

// The window shown while a large profile is read: a status line and a bar.
// Reading runs on the main thread without returning to the event loop, so
// each visible change is painted at once; changes too small to move the bar
// are not painted at all, since a large profile reports progress millions
// of times.
class ProgressWindow final : public QDialog, public ProgressController
{
    Q_OBJECT
public:
    // Steps of the bar from empty to full.
    static constexpr int barSteps = 1000;

    explicit ProgressWindow(QWidget *parent = nullptr);
    ~ProgressWindow() override;

    void showWindow() override;
    void setStatusLine(const QString &text) override;
    void setMaxValue(double maximum) override;
    void setRemainingValue(double remaining) override;
    void close() override;

    // The bar's position, 0 to barSteps.
    int barValue() const;
    // How often the bar was painted.
    int barRepaintCount() const { return m_barRepaints; }

private:
    std::unique_ptr<Ui::Progress> m_ui;
    double m_maximum = 0.0;
    int m_barRepaints = 0;
};
