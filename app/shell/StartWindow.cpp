#include "StartWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

StartWindow::StartWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Velotrace"));
    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    auto *hint = new QLabel(tr("Open a profile with File \u25b8 Open\u2026, or drop profile files here."));
    hint->setAlignment(Qt::AlignCenter);
    hint->setMargin(24);
    auto *openButton = new QPushButton(tr("Open Profile\u2026"));
    auto *watcherButton = new QPushButton(tr("Show Sifter"));
    connect(openButton, &QPushButton::clicked, this, &StartWindow::openRequested);
    connect(watcherButton, &QPushButton::clicked, this, &StartWindow::watcherRequested);
    layout->addStretch();
    layout->addWidget(hint);
    layout->addWidget(openButton, 0, Qt::AlignCenter);
    layout->addWidget(watcherButton, 0, Qt::AlignCenter);
    layout->addStretch();
    setCentralWidget(content);
    resize(560, 320);
}

void StartWindow::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        Q_EMIT closed();
}
