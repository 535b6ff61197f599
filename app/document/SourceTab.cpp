#include "SourceTab.h"

#include "GraphLocation.h"
#include "LineCosts.h"
#include "LineShareDelegate.h"
#include "PathMapping.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"
#include "SettingsKeys.h"
#include "SourceFileModel.h"
#include "SourceLinesModel.h"
#include "SourceText.h"

#include <KFUserDefaultsController.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPromise>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTableView>
#include <QThreadPool>
#include <QVBoxLayout>

namespace {

const QString internalPath = QStringLiteral("php:internal");

KFUserDefaultsController &settings()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

} // namespace

SourceTab::SourceTab(QWidget *parent)
    : DocumentTab(parent)
    , m_model(new SourceLinesModel(this))
    , m_pathLabel(new QLabel(this))
    , m_eventChooser(new QComboBox(this))
    , m_belowCall(new QCheckBox(tr("&Below This Call Only"), this))
    , m_previousButton(new QPushButton(tr("Previous Hot Line"), this))
    , m_nextButton(new QPushButton(tr("Next Hot Line"), this))
    , m_editorButton(new QPushButton(tr("Open in Editor"), this))
    , m_pages(new QStackedWidget(this))
    , m_view(new QTableView(m_pages))
    , m_message(new QLabel(m_pages))
    , m_mappingButton(new QPushButton(tr("Set Up Path Mapping\u2026"), m_pages))
{
    setObjectName(QStringLiteral("sourceTab"));
    m_pathLabel->setObjectName(QStringLiteral("sourcePathLabel"));
    m_pathLabel->setTextFormat(Qt::PlainText);
    m_pathLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pathLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_pathLabel->setAccessibleName(tr("Source file"));
    m_eventChooser->setObjectName(QStringLiteral("sourceEventChooser"));
    m_eventChooser->setAccessibleName(tr("Costs of"));
    auto *eventLabel = new QLabel(tr("C&osts of:"), this);
    eventLabel->setBuddy(m_eventChooser);
    m_belowCall->setObjectName(QStringLiteral("sourceBelowCallCheckbox"));
    m_belowCall->setToolTip(tr("Counts only the selected call and the calls below it"));
    m_previousButton->setObjectName(QStringLiteral("previousHotLineButton"));
    m_nextButton->setObjectName(QStringLiteral("nextHotLineButton"));
    m_editorButton->setObjectName(QStringLiteral("sourceOpenInEditorButton"));

    m_view->setObjectName(QStringLiteral("sourceTableView"));
    m_view->setAccessibleName(tr("Source"));
    m_view->setModel(m_model);
    m_view->setItemDelegate(new LineShareDelegate(m_view));
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setShowGrid(false);
    m_view->setWordWrap(false);
    m_view->setTextElideMode(Qt::ElideNone);
    m_view->verticalHeader()->hide();
    // Fixed heights and widths keep a file of a hundred thousand lines as
    // quick to scroll as a short one.
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(QFontMetrics(m_view->font()).height() + 2);
    QHeaderView *header = m_view->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(true);
    const QFontMetrics metrics(m_view->font());
    header->resizeSection(SourceLinesModel::LineColumn, metrics.horizontalAdvance(QStringLiteral("000000")) + 12);
    for (const int column : { SourceLinesModel::SelfColumn, SourceLinesModel::InclusiveColumn })
        header->resizeSection(column, metrics.horizontalAdvance(QStringLiteral("00000.000 ms")) + 12);
    header->resizeSection(SourceLinesModel::CallsColumn, metrics.horizontalAdvance(QStringLiteral("000000")) + 12);

    m_message->setObjectName(QStringLiteral("sourceMessage"));
    m_message->setTextFormat(Qt::PlainText);
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_mappingButton->setObjectName(QStringLiteral("setUpPathMappingButton"));
    auto *messagePage = new QWidget(m_pages);
    auto *messageLayout = new QVBoxLayout(messagePage);
    messageLayout->addStretch();
    messageLayout->addWidget(m_message);
    messageLayout->addWidget(m_mappingButton, 0, Qt::AlignHCenter);
    messageLayout->addStretch();
    m_pages->addWidget(m_view);
    m_pages->addWidget(messagePage);

    auto *controls = new QHBoxLayout;
    controls->setContentsMargins(4, 0, 4, 0);
    controls->addWidget(m_pathLabel, 1);
    controls->addWidget(eventLabel);
    controls->addWidget(m_eventChooser);
    controls->addWidget(m_belowCall);
    controls->addWidget(m_previousButton);
    controls->addWidget(m_nextButton);
    controls->addWidget(m_editorButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->addLayout(controls);
    layout->addWidget(m_pages, 1);

    connect(m_eventChooser, &QComboBox::currentIndexChanged, this, &SourceTab::reload);
    connect(m_belowCall, &QCheckBox::toggled, this, &SourceTab::reload);
    connect(m_previousButton, &QPushButton::clicked, this, &SourceTab::previousHotLine);
    connect(m_nextButton, &QPushButton::clicked, this, &SourceTab::nextHotLine);
    connect(m_editorButton, &QPushButton::clicked, this, [this] {
        if (const std::optional<SourceLocation> location = selectedLocation())
            Q_EMIT openRequested(location->path, location->line);
    });
    connect(m_mappingButton, &QPushButton::clicked, this, [this] { Q_EMIT pathMappingRequested(m_recordedPath); });
    connect(&m_watcher, &QFutureWatcher<Loaded>::finished, this, &SourceTab::loaded);

    for (const QString &key : { VTCPathMappings, VTCMeasurement, VTCDisplayDash })
        addObserverSharedUserDefaults(key);
    m_model->setTimeFormat(
        timeUnitFromSetting(settings().integerForKey(VTCMeasurement)), settings().boolForKey(VTCDisplayDash));
    showMessage(QString(), false);
}

SourceTab::~SourceTab()
{
    waitForJobs();
}

void SourceTab::waitForJobs()
{
    m_watcher.disconnect(this);
    for (QFuture<Loaded> &job : m_jobs)
        job.waitForFinished();
    m_jobs.clear();
    connect(&m_watcher, &QFutureWatcher<Loaded>::finished, this, &SourceTab::loaded);
}

void SourceTab::showProfile(const Profile &profile)
{
    // The jobs read the profile that is going.
    waitForJobs();
    m_model->clear();
    m_costs.reset();
    m_costsEvent = -1;
    m_call = nullptr;
    m_estimatedPath = MergedCallTree::none;
    m_profile = &profile;
    const QString chosen = m_eventChooser->currentText();
    const QSignalBlocker blocker(m_eventChooser);
    m_eventChooser->clear();
    for (const ProfileEvent &event : profile.events())
        m_eventChooser->addItem(event.baseName().toString());
    const int kept = m_eventChooser->findText(chosen);
    m_eventChooser->setCurrentIndex(kept >= 0 ? kept : profile.timeEvent());
}

void SourceTab::showCall(const ProfiledFunctionCall *call)
{
    m_call = call;
    m_estimatedPath = MergedCallTree::none;
    reload();
}

void SourceTab::showEstimatedPath(quint32 path)
{
    m_call = nullptr;
    m_estimatedPath = path;
    reload();
}

void SourceTab::reload()
{
    // A path estimated from a function graph is its function's, which
    // the graph knows the file and first line of; it has no calls to count
    // below.
    const bool estimated = m_estimatedPath != MergedCallTree::none;
    const GraphLocation graphLocation
        = estimated ? GraphLocation::ofPath(*m_profile, m_estimatedPath) : GraphLocation();
    const SourceFileModel *source = estimated ? graphLocation.source : m_call ? m_call->source() : nullptr;
    m_belowCall->setEnabled(!estimated);
    m_recordedPath = source ? source->path() : QString();
    m_pathLabel->setText(m_recordedPath);
    for (QPushButton *button : { m_previousButton, m_nextButton, m_editorButton })
        button->setEnabled(false);
    if (!source || !m_profile) {
        m_model->clear();
        showMessage(m_call || estimated ? tr("The call names no source file.") : QString(), false);
        return;
    }
    if (m_recordedPath == internalPath) {
        m_model->clear();
        showMessage(tr("The function is built into PHP: it has no source file."), false);
        return;
    }
    const int event = qMax(0, m_eventChooser->currentIndex());
    const QString localPath
        = PathMapping(settings().objectForKey(VTCPathMappings).toStringList()).localPath(m_recordedPath);
    m_pathLabel->setText(localPath);
    const bool belowCall = m_belowCall->isChecked() && !estimated;
    const std::shared_ptr<const LineCosts> costs = !belowCall && event == m_costsEvent ? m_costs : nullptr;
    auto promise = std::make_shared<QPromise<Loaded>>();
    QFuture<Loaded> job = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start(
        [promise, profile = m_profile, event, id = source->id(),
            line = estimated ? graphLocation.line : m_call->sourceLine(),
            call = estimated ? CallTree::none : m_call->callNumber(), belowCall, localPath, costs] {
            Loaded result { event, belowCall, id, line, localPath, nullptr, QString(), costs };
            try {
                if (!result.costs) {
                    result.costs = belowCall ? std::make_shared<const LineCosts>(*profile, event, call)
                                             : std::make_shared<const LineCosts>(*profile, event);
                }
                auto text = std::make_shared<SourceText>();
                if (text->read(localPath))
                    result.text = std::move(text);
                else
                    result.error = text->errorString();
            } catch (const std::bad_alloc &) {
                result.error = tr("There is not enough memory.");
            }
            promise->addResult(std::move(result));
            promise->finish();
        });
    m_jobs.removeIf([](const QFuture<Loaded> &running) { return running.isFinished(); });
    m_jobs.append(job);
    m_watcher.setFuture(job);
}

void SourceTab::loaded()
{
    if (m_watcher.future().resultCount() == 0)
        return;
    Loaded result = m_watcher.future().result();
    if (!m_profile || result.event != m_eventChooser->currentIndex())
        return;
    if (!result.belowCall) {
        m_costs = result.costs;
        m_costsEvent = result.event;
    }
    if (!result.text) {
        m_model->clear();
        QString text = tr("The file \u201c%1\u201d could not be read: %2").arg(result.localPath, result.error);
        if (result.localPath != m_recordedPath)
            text += QLatin1Char('\n') + tr("The profile records it as \u201c%1\u201d.").arg(m_recordedPath);
        showMessage(text, true);
        Q_EMIT sourceShown();
        return;
    }
    m_model->setSource(*m_profile, result.event, result.costs, result.source, result.text);
    m_pages->setCurrentWidget(m_view);
    const bool hasHotLines = m_model->hottestRow() >= 0;
    m_previousButton->setEnabled(hasHotLines);
    m_nextButton->setEnabled(hasHotLines);
    m_editorButton->setEnabled(true);
    const int callRow = SourceLinesModel::rowOfLine(result.line);
    selectRow(callRow >= 0 && callRow < m_model->rowCount() ? callRow : m_model->hottestRow());
    Q_EMIT sourceShown();
}

void SourceTab::showMessage(const QString &text, bool offerMapping)
{
    m_message->setText(text);
    m_mappingButton->setVisible(offerMapping);
    m_pages->setCurrentIndex(1);
}

QString SourceTab::message() const
{
    return m_pages->currentIndex() == 1 ? m_message->text() : QString();
}

void SourceTab::selectRow(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex target = m_model->index(row, SourceLinesModel::LineColumn);
    m_view->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_view->scrollTo(target, QAbstractItemView::PositionAtCenter);
}

void SourceTab::nextHotLine()
{
    selectRow(m_model->hotRowAfter(m_view->currentIndex().isValid() ? m_view->currentIndex().row() : -1));
}

void SourceTab::previousHotLine()
{
    const int current = m_view->currentIndex().isValid() ? m_view->currentIndex().row() : m_model->rowCount();
    selectRow(m_model->hotRowBefore(current));
}

std::optional<SourceLocation> SourceTab::selectedLocation() const
{
    if (m_pages->currentWidget() != m_view || m_recordedPath.isEmpty())
        return std::nullopt;
    const QModelIndex current = m_view->currentIndex();
    return SourceLocation { m_recordedPath, current.isValid() ? quint32(current.row() + 1) : 0 };
}

void SourceTab::observeValueForKeyPath(const QString &keyPath, QObject *, const QVariantMap &, void *)
{
    if (keyPath.endsWith(VTCPathMappings)) {
        reload();
        return;
    }
    m_model->setTimeFormat(
        timeUnitFromSetting(settings().integerForKey(VTCMeasurement)), settings().boolForKey(VTCDisplayDash));
}
