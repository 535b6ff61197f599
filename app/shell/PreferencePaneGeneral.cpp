#include "PreferencePaneGeneral.h"

#include "SettingsKeys.h"
#include "ui_PreferencesGeneral.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

PreferencePaneGeneral::PreferencePaneGeneral()
{
    setLabel(QStringLiteral("General"));
    setImage(velotraceImage());
    setNibName(QStringLiteral("PreferencesGeneral"));
}

PreferencePaneGeneral::~PreferencePaneGeneral() = default;

std::unique_ptr<QWidget> PreferencePaneGeneral::loadNib()
{
    auto view = std::make_unique<QWidget>();
    m_ui = std::make_unique<Ui::PreferencesGeneral>();
    m_ui->setupUi(view.get());
    return view;
}

void PreferencePaneGeneral::awakeFromNib()
{
    // The pop-up's items are in the order of the setting's values: seconds,
    // milliseconds, microseconds, nanoseconds, automatic.
    bind(m_ui->measurementPopUp, VTCMeasurement);
    bind(m_ui->displayDashCheckbox, VTCDisplayDash);
    bind(m_ui->callStackShowsInternalPhpFunctionsCheckbox, VTCCallStackShowsInternalPhpFunctions);
    bind(m_ui->summaryShowsInternalPhpFunctionsCheckbox, VTCSummaryShowsInternalPhpFunctions);
}

QIcon PreferencePaneGeneral::velotraceImage()
{
    constexpr int size = 64;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient tile(0, 0, 0, size);
    tile.setColorAt(0, QColor(0x3b, 0x7d, 0xd8));
    tile.setColorAt(1, QColor(0x1d, 0x4e, 0x9a));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(4, 4, size - 8, size - 8), 12, 12);

    // Stacked call bars, narrowing upwards, and a trace running across.
    painter.setBrush(QColor(255, 255, 255, 90));
    painter.drawRect(QRectF(12, 44, 40, 6));
    painter.drawRect(QRectF(16, 36, 26, 6));
    painter.drawRect(QRectF(20, 28, 12, 6));
    QPainterPath trace;
    trace.moveTo(10, 40);
    trace.lineTo(22, 40);
    trace.lineTo(28, 16);
    trace.lineTo(36, 48);
    trace.lineTo(42, 30);
    trace.lineTo(54, 30);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(trace);
    return QIcon(pixmap);
}
