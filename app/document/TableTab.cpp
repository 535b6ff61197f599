#include "TableTab.h"

#include "ColumnChooser.h"
#include "Profile.h"
#include "TableController.h"
#include "TableViewSetup.h"

#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

TableTab::TableTab(const QString &name, std::unique_ptr<TableController> model, const Columns &columns,
    QAbstractItemDelegate &delegate, QWidget *parent)
    : DocumentTab(parent)
    , m_model(std::move(model))
    , m_table(new QTableView(this))
    , m_columns(columns)
{
    setObjectName(name);
    m_table->setObjectName(QString(name).replace(QLatin1String("Tab"), QLatin1String("TableView")));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);
    setUpTableView(
        *m_table, m_model.get(), QAbstractItemView::SingleSelection, m_model->sortColumn(), m_model->sortOrder());
    m_table->setItemDelegateForColumn(columns.function, &delegate);
    sizeColumnsToSamples(*m_table->horizontalHeader(), true);
    m_columnChooser = new ColumnChooser(*m_table->horizontalHeader(), columns.hiddenKey);
    // A double-click and Enter both activate a row.
    connect(
        m_table, &QAbstractItemView::activated, this, [this](const QModelIndex &index) { rowActivated(index.row()); });
}

TableTab::~TableTab()
{
    // The view goes before the model it shows.
    delete m_table;
}

void TableTab::showProfile(const Profile &profile)
{
    const int memoryEvent = profile.memoryEvent();
    m_model->setCostUnit(profile.costUnit());
    m_model->setMemoryEvent(memoryEvent);
    for (int section = m_columns.firstMemory; section < m_model->columnCount(); ++section)
        m_columnChooser->setColumnAvailable(section, memoryEvent >= 0);
}
