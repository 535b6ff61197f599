#include "KFPreferencePane.h"

#include "KFUserDefaultsController.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>

namespace {

KFUserDefaultsController &settings()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
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
    for (const Binding &binding : m_bindings)
        binding.refresh();
    viewDidLoad();
    return m_view.get();
}

void KFPreferencePane::setView(std::unique_ptr<QWidget> view)
{
    m_view = std::move(view);
}

void KFPreferencePane::loadView()
{
    if (!m_nibName.isEmpty()) {
        if (std::unique_ptr<QWidget> loaded = loadNib()) {
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

void KFPreferencePane::addBinding(const QString &key, std::function<void()> refresh)
{
    refresh();
    m_bindings.push_back({ QStringLiteral("values.") + key, std::move(refresh) });
    addObserverSharedUserDefaults(key);
}

void KFPreferencePane::observeValueForKeyPath(const QString &keyPath, QObject *, const QVariantMap &, void *)
{
    bool refreshed = false;
    for (const Binding &binding : m_bindings) {
        if (binding.keyPath == keyPath) {
            binding.refresh();
            refreshed = true;
        }
    }
    if (refreshed)
        boundValuesDidChange();
}

void KFPreferencePane::bind(QAbstractButton *checkBox, const QString &key)
{
    connect(checkBox, &QAbstractButton::toggled, this, [key](bool checked) {
        if (settings().boolForKey(key) != checked)
            settings().setObjectForKey(checked, key);
    });
    addBinding(key, [checkBox = QPointer<QAbstractButton>(checkBox), key] {
        if (!checkBox)
            return;
        const QSignalBlocker blocker(checkBox);
        checkBox->setChecked(settings().boolForKey(key));
    });
}

void KFPreferencePane::bind(QComboBox *popUp, const QString &key)
{
    connect(popUp, &QComboBox::currentIndexChanged, this, [key](int index) {
        if (index >= 0 && settings().integerForKey(key) != index)
            settings().setObjectForKey(index, key);
    });
    addBinding(key, [popUp = QPointer<QComboBox>(popUp), key] {
        if (!popUp)
            return;
        const QSignalBlocker blocker(popUp);
        const qint64 index = settings().integerForKey(key);
        popUp->setCurrentIndex(index >= 0 && index < popUp->count() ? int(index) : -1);
    });
}

void KFPreferencePane::bind(QSpinBox *numberField, const QString &key)
{
    connect(numberField, &QSpinBox::valueChanged, this, [key](int value) {
        if (settings().integerForKey(key) != value)
            settings().setObjectForKey(value, key);
    });
    addBinding(key, [numberField = QPointer<QSpinBox>(numberField), key] {
        if (!numberField)
            return;
        const QSignalBlocker blocker(numberField);
        const qint64 value = settings().integerForKey(key);
        numberField->setValue(int(std::clamp<qint64>(value, numberField->minimum(), numberField->maximum())));
    });
}

void KFPreferencePane::bind(QLineEdit *textField, const QString &key)
{
    connect(textField, &QLineEdit::editingFinished, this, [textField, key] {
        if (settings().stringForKey(key) != textField->text())
            settings().setObjectForKey(textField->text(), key);
    });
    addBinding(key, [textField = QPointer<QLineEdit>(textField), key] {
        if (!textField)
            return;
        const QString value = settings().stringForKey(key);
        if (textField->text() != value) {
            const QSignalBlocker blocker(textField);
            textField->setText(value);
        }
    });
}
