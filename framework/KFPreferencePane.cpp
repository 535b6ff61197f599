#include "KFPreferencePane.h"

#include <QAction>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace {

QHash<QString, KFPreferencePane::NibLoader> &nibRegistry()
{
    static QHash<QString, KFPreferencePane::NibLoader> registry;
    return registry;
}

// The general-preferences image: the desktop theme's, or a drawn gear where
// the theme has none.
QIcon generalPreferencesImage()
{
    const QIcon themed = QIcon::fromTheme(QStringLiteral("preferences-system"));
    if (!themed.isNull())
        return themed;

    constexpr int size = 64;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(size / 2.0, size / 2.0);

    QPainterPath gear;
    constexpr int teeth = 8;
    for (int i = 0; i < teeth; ++i) {
        painter.save();
        painter.rotate(i * 360.0 / teeth);
        painter.fillRect(QRectF(-5, -30, 10, 12), QColor(0x60, 0x64, 0x6a));
        painter.restore();
    }
    gear.addEllipse(QPointF(0, 0), 22, 22);
    QPainterPath hole;
    hole.addEllipse(QPointF(0, 0), 9, 9);
    painter.fillPath(gear.subtracted(hole), QColor(0x60, 0x64, 0x6a));
    return QIcon(pixmap);
}

} // namespace

KFPreferencePane::KFPreferencePane()
    : m_label(QStringLiteral("Unnamed"))
    , m_image(generalPreferencesImage())
{ }

KFPreferencePane::~KFPreferencePane() = default;

QWidget *KFPreferencePane::view()
{
    if (!m_view)
        loadView();
    viewDidLoad();
    return m_view.get();
}

void KFPreferencePane::setView(std::unique_ptr<QWidget> view)
{
    m_view = std::move(view);
}

void KFPreferencePane::loadView()
{
    const auto loader = nibRegistry().constFind(m_nibName);
    if (!m_nibName.isEmpty() && loader != nibRegistry().constEnd() && *loader) {
        if (std::unique_ptr<QWidget> loaded = (*loader)()) {
            m_view = std::move(loaded);
            awakeFromNib();
            return;
        }
    }

    qWarning("Warning: unabled to load nib for %s preference pane. Generating blank view.", qUtf8Printable(m_label));
    m_view = std::make_unique<QWidget>();
    m_view->setGeometry(0, 0, 480, 5);
}

QAction *KFPreferencePane::toolbarItem()
{
    if (!m_toolbarItem) {
        m_toolbarItem = new QAction(m_image, m_label, this);
        m_toolbarItem->setObjectName(m_label);
        m_toolbarItem->setCheckable(true);
    }
    return m_toolbarItem;
}

void KFPreferencePane::registerNib(const QString &nibName, NibLoader loader)
{
    nibRegistry().insert(nibName, std::move(loader));
}
