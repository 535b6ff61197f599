#include "PreferencePaneSoftwareUpdate.h"

#include "SettingsKeys.h"
#include "UpdateCheck.h"
#include "ui_PreferencesUpdates.h"

#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QRadialGradient>

PreferencePaneSoftwareUpdate::PreferencePaneSoftwareUpdate()
{
    registerNib(QStringLiteral("PreferencesUpdates"), [] {
        auto view = std::make_unique<QWidget>();
        Ui::PreferencesUpdates().setupUi(view.get());
        return view;
    });
    setLabel(QStringLiteral("Updates"));
    setImage(softwareUpdateImage());
    setNibName(QStringLiteral("PreferencesUpdates"));
}

void PreferencePaneSoftwareUpdate::awakeFromNib()
{
    bind(outlet<QCheckBox>("updatesCheckAutomaticallyCheckbox"), VTCUpdatesCheckAutomatically);
    auto *version = outlet<QLabel>("versionLabel");
    version->setText(version->text().arg(UpdateCheck::currentVersion()));
    connect(outlet<QPushButton>("checkNowButton"), &QPushButton::clicked, this,
        &PreferencePaneSoftwareUpdate::checkNowClicked);
}

void PreferencePaneSoftwareUpdate::checkNowClicked()
{
    Q_EMIT checkForUpdatesRequested();
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
