#include "PreferencePanePaths.h"

#include "PathMapping.h"
#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

#include <QApplication>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

KFUserDefaultsController &settings()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

} // namespace

PreferencePanePaths::PreferencePanePaths()
{
    setLabel(QStringLiteral("Paths"));
    setImage(QApplication::style()->standardIcon(QStyle::SP_DirIcon));
    setNibName(QStringLiteral("PreferencesPaths"));
    addObserverSharedUserDefaults(VTCPathMappings);
}

std::unique_ptr<QWidget> PreferencePanePaths::loadNib()
{
    auto view = std::make_unique<QWidget>();
    view->resize(480, 400);
    auto *editorField = new QLineEdit(view.get());
    editorField->setObjectName(QStringLiteral("editorCommandField"));
    editorField->setAccessibleName(tr("Editor command"));
    editorField->setPlaceholderText(QStringLiteral("code -g %f:%l"));
    auto *editorHelp = new QLabel(tr("%f stands for the file, %l for the line. Without a command, files open in "
                                     "the desktop's application for them."),
        view.get());
    editorHelp->setTextFormat(Qt::PlainText);
    editorHelp->setWordWrap(true);
    auto *form = new QFormLayout;
    form->addRow(tr("&Editor command:"), editorField);
    form->addRow(QString(), editorHelp);

    auto *mappingsLabel = new QLabel(tr("Path mappings, for profiles recorded on another machine:"), view.get());
    m_table = new QTableWidget(0, 2, view.get());
    m_table->setObjectName(QStringLiteral("pathMappingTable"));
    m_table->setAccessibleName(tr("Path mappings"));
    m_table->setHorizontalHeaderLabels({ tr("Recorded Prefix"), tr("Local Prefix") });
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    mappingsLabel->setBuddy(m_table);
    auto *addButton = new QPushButton(tr("&Add"), view.get());
    addButton->setObjectName(QStringLiteral("addPathMappingButton"));
    auto *removeButton = new QPushButton(tr("&Remove"), view.get());
    removeButton->setObjectName(QStringLiteral("removePathMappingButton"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(addButton);
    buttons->addWidget(removeButton);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(view.get());
    layout->addLayout(form);
    layout->addSpacing(8);
    layout->addWidget(mappingsLabel);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);

    bind(editorField, VTCEditorCommand);
    connect(m_table, &QTableWidget::itemChanged, this, &PreferencePanePaths::storeMappings);
    connect(addButton, &QPushButton::clicked, this, [this] {
        addRow(QString(), QString());
        m_table->editItem(m_table->item(m_table->rowCount() - 1, 0));
    });
    connect(removeButton, &QPushButton::clicked, this, [this] {
        const QModelIndexList rows = m_table->selectionModel()->selectedRows();
        if (rows.isEmpty())
            return;
        m_table->removeRow(rows.first().row());
        storeMappings();
    });
    return view;
}

void PreferencePanePaths::viewDidLoad()
{
    showMappings();
}

void PreferencePanePaths::observeValueForKeyPath(
    const QString &keyPath, QObject *object, const QVariantMap &change, void *context)
{
    KFPreferencePane::observeValueForKeyPath(keyPath, object, change, context);
    if (keyPath.endsWith(VTCPathMappings) && m_table && !m_updating)
        showMappings();
}

void PreferencePanePaths::showMappings()
{
    m_updating = true;
    m_table->setRowCount(0);
    for (const QString &text : settings().objectForKey(VTCPathMappings).toStringList()) {
        // An entry being written may lack its local side yet.
        const qsizetype equals = text.indexOf(QLatin1Char('='));
        addRow(text.left(equals), equals < 0 ? QString() : text.mid(equals + 1));
    }
    m_updating = false;
}

void PreferencePanePaths::addRow(const QString &recorded, const QString &local)
{
    const bool updating = std::exchange(m_updating, true);
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    m_table->setItem(row, 0, new QTableWidgetItem(recorded));
    m_table->setItem(row, 1, new QTableWidgetItem(local));
    m_updating = updating;
}

void PreferencePanePaths::storeMappings()
{
    if (m_updating)
        return;
    QStringList texts;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const QString recorded = m_table->item(row, 0)->text().trimmed();
        // "=" ends the recorded prefix, which therefore cannot hold one.
        if (!recorded.isEmpty() && !recorded.contains(QLatin1Char('=')))
            texts << recorded + QLatin1Char('=') + m_table->item(row, 1)->text().trimmed();
    }
    m_updating = true;
    settings().setObjectForKey(texts, VTCPathMappings);
    m_updating = false;
}

void PreferencePanePaths::proposeMapping(const QString &path)
{
    view();
    const QString folder = QFileInfo(path).path();
    int row = 0;
    while (row < m_table->rowCount() && m_table->item(row, 0)->text() != folder)
        ++row;
    if (row == m_table->rowCount()) {
        addRow(folder, QString());
        storeMappings();
    }
    m_table->selectRow(row);
    m_table->editItem(m_table->item(row, 1));
}
