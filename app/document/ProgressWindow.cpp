#include "ProgressWindow.h"

#include "ui_Progress.h"

#include <algorithm>
#include <cmath>

ProgressWindow::ProgressWindow(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Progress>())
{
    m_ui->setupUi(this);
    m_ui->progressIndicator->setRange(0, barSteps);
    setModal(true);
    // Closing it must not count as closing the application's last window.
    setAttribute(Qt::WA_QuitOnClose, false);
}

ProgressWindow::~ProgressWindow() = default;

void ProgressWindow::showWindow()
{
    show();
    raise();
}

void ProgressWindow::setStatusLine(const QString &text)
{
    m_ui->statusTextField->setText(text);
    m_ui->statusTextField->repaint();
}

void ProgressWindow::setMaxValue(double maximum)
{
    m_maximum = maximum;
}

void ProgressWindow::setRemainingValue(double remaining)
{
    const double done = m_maximum - remaining;
    const double fraction = m_maximum > 0.0 ? done / m_maximum : 1.0;
    const int step = int(std::lround(std::clamp(fraction, 0.0, 1.0) * barSteps));
    if (step == m_ui->progressIndicator->value())
        return;
    m_ui->progressIndicator->setValue(step);
    m_ui->progressIndicator->repaint();
    ++m_barRepaints;
}

void ProgressWindow::close()
{
    QDialog::close();
}

int ProgressWindow::barValue() const
{
    return m_ui->progressIndicator->value();
}
