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
    // Closing it must not count as closing the application's last window.
    setAttribute(Qt::WA_QuitOnClose, false);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &ProgressWindow::reject);
}

ProgressWindow::~ProgressWindow() = default;

void ProgressWindow::setStatusLine(const QString &text)
{
    m_ui->statusTextField->setText(text);
}

void ProgressWindow::setProgress(double fraction)
{
    m_ui->progressIndicator->setValue(int(std::lround(std::clamp(fraction, 0.0, 1.0) * barSteps)));
}

void ProgressWindow::reject()
{
    Q_EMIT cancelled();
}
