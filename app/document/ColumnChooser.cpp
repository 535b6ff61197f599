#include "ColumnChooser.h"

#include <KFUserDefaultsController.h>

#include <QHeaderView>
#include <QMenu>

#include <algorithm>

ColumnChooser::ColumnChooser(QHeaderView &header, const QString &settingsKey)
    : QObject(&header)
    , m_header(header)
    , m_settingsKey(settingsKey)
{
    addObserverSharedUserDefaults(m_settingsKey);
    m_header.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&m_header, &QHeaderView::customContextMenuRequested, this, [this](const QPoint &position) {
        QMenu menu;
        populateMenu(menu);
        menu.exec(m_header.viewport()->mapToGlobal(position));
    });
    apply();
}

ColumnChooser::~ColumnChooser()
{
    removeObserverSharedUserDefaults(m_settingsKey);
}

void ColumnChooser::setColumnAvailable(int section, bool available)
{
    if (available)
        m_unavailable.remove(section);
    else
        m_unavailable.insert(section);
    apply();
}

QSet<int> ColumnChooser::hiddenColumns() const
{
    QSet<int> hidden;
    const QStringList stored
        = KFUserDefaultsController::sharedUserDefaultsController().objectForKey(m_settingsKey).toStringList();
    for (const QString &number : stored) {
        bool isNumber = false;
        const int section = number.toInt(&isNumber);
        if (isNumber && section > 0)
            hidden.insert(section);
    }
    return hidden;
}

void ColumnChooser::setColumnShown(int section, bool shown)
{
    QSet<int> hidden = hiddenColumns();
    if (shown)
        hidden.remove(section);
    else if (section > 0)
        hidden.insert(section);
    QList<int> sections(hidden.begin(), hidden.end());
    std::sort(sections.begin(), sections.end());
    QStringList stored;
    for (const int number : sections)
        stored << QString::number(number);
    // Every view under this setting, this one too, applies it when told.
    KFUserDefaultsController::sharedUserDefaultsController().setObjectForKey(stored, m_settingsKey);
}

void ColumnChooser::populateMenu(QMenu &menu)
{
    const QAbstractItemModel *model = m_header.model();
    if (!model)
        return;
    for (int section = 0; section < m_header.count(); ++section) {
        if (m_unavailable.contains(section))
            continue;
        // Titles may take two lines in the header, but one in the menu.
        const QString title = model->headerData(section, m_header.orientation()).toString();
        QAction *item = menu.addAction(QString(title).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        item->setCheckable(true);
        item->setChecked(!m_header.isSectionHidden(section));
        item->setEnabled(section > 0);
        connect(item, &QAction::toggled, this, [this, section](bool shown) { setColumnShown(section, shown); });
    }
}

void ColumnChooser::observeValueForKeyPath(const QString &keyPath, QObject *, const QVariantMap &, void *)
{
    if (keyPath == QLatin1String("values.") + m_settingsKey)
        apply();
}

void ColumnChooser::apply()
{
    const QSet<int> hidden = hiddenColumns();
    for (int section = 1; section < m_header.count(); ++section)
        m_header.setSectionHidden(section, hidden.contains(section) || m_unavailable.contains(section));
}
