#include "ProgressWindow.h"

#include "ui_Progress.h"

#include <algorithm>
#include <cmath>

ProgressWindow::ProgressWindow(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::Progress>())
{
    ui->setupUi(this);
    ui->progressIndicator->setRange(0, barSteps);
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
    ui->statusTextField->setText(text);
    ui->statusTextField->repaint();
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
    if (step == ui->progressIndicator->value())
        return;
    ui->progressIndicator->setValue(step);
    ui->progressIndicator->repaint();
    ++m_barRepaints;
}

void ProgressWindow::close()
{
    QDialog::close();
}

QString ProgressWindow::statusLine() const
{
    return ui->statusTextField->text();
}

int ProgressWindow::barValue() const
{
    return ui->progressIndicator->value();
}
