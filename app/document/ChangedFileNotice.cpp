#include "ChangedFileNotice.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

ChangedFileNotice::ChangedFileNotice(QWidget *parent)
    : QFrame(parent)
    , m_text(new QLabel(tr("The file changed while it was read: what is shown may be incomplete."), this))
{
    setObjectName(QStringLiteral("changedFileNotice"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    auto *reload = new QPushButton(tr("&Reload"), this);
    reload->setObjectName(QStringLiteral("changedFileReloadButton"));
    auto *dismiss = new QToolButton(this);
    dismiss->setText(QStringLiteral("\u00d7"));
    dismiss->setAccessibleName(tr("Dismiss"));
    dismiss->setToolTip(tr("Dismiss"));
    dismiss->setAutoRaise(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 3, 3);
    layout->addWidget(m_text, 1);
    layout->addWidget(reload);
    layout->addWidget(dismiss);
    connect(reload, &QPushButton::clicked, this, [this] {
        hide();
        Q_EMIT reloadRequested();
    });
    connect(dismiss, &QToolButton::clicked, this, &QWidget::hide);
}
