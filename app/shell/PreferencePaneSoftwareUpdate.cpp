#include "PreferencePaneSoftwareUpdate.h"

#include "SettingsKeys.h"
#include "UpdateCheck.h"
#include "ui_PreferencesUpdates.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QRadialGradient>

PreferencePaneSoftwareUpdate::PreferencePaneSoftwareUpdate()
{
    setLabel(QStringLiteral("Updates"));
    setImage(softwareUpdateImage());
    setNibName(QStringLiteral("PreferencesUpdates"));
}

PreferencePaneSoftwareUpdate::~PreferencePaneSoftwareUpdate() = default;

std::unique_ptr<QWidget> PreferencePaneSoftwareUpdate::loadNib()
{
    auto view = std::make_unique<QWidget>();
    m_ui = std::make_unique<Ui::PreferencesUpdates>();
    m_ui->setupUi(view.get());
    return view;
}

void PreferencePaneSoftwareUpdate::awakeFromNib()
{
    bind(m_ui->updatesCheckAutomaticallyCheckbox, VTCUpdatesCheckAutomatically);
    m_ui->versionLabel->setText(m_ui->versionLabel->text().arg(UpdateCheck::currentVersion()));
    connect(m_ui->checkNowButton, &QPushButton::clicked, this, &PreferencePaneSoftwareUpdate::checkForUpdatesRequested);
}

QIcon PreferencePaneSoftwareUpdate::softwareUpdateImage()
{
    constexpr int size = 64;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    QRadialGradient disc(QPointF(26, 22), 36);
    disc.setColorAt(0, QColor(0x6c, 0xd0, 0x6a));
    disc.setColorAt(1, QColor(0x2e, 0x8b, 0x3a));
    painter.setPen(Qt::NoPen);
    painter.setBrush(disc);
    painter.drawEllipse(QRectF(4, 4, size - 8, size - 8));

    QPainterPath arrow;
    arrow.moveTo(26, 14);
    arrow.lineTo(38, 14);
    arrow.lineTo(38, 32);
    arrow.lineTo(47, 32);
    arrow.lineTo(32, 50);
    arrow.lineTo(17, 32);
    arrow.lineTo(26, 32);
    arrow.closeSubpath();
    painter.setBrush(Qt::white);
    painter.drawPath(arrow);
    return QIcon(pixmap);
}
