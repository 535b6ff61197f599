#include "FindController.h"

#include "CallSearch.h"
#include "EstimatedPathSearch.h"
#include "FindBar.h"
#include "FunctionModel.h"
#include "MyDocument.h"
#include "Profile.h"

#include <QTimer>

FindController::FindController(MyDocument &document, FindBar &bar, QObject *parent)
    : QObject(parent)
    , m_document(document)
    , m_bar(bar)
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setInterval(findDelayMilliseconds);
    // A new pattern makes a new search when the pause is over, or at once
    // when asked for a match.
    connect(&bar, &FindBar::patternChanged, this, [this] {
        m_search.reset();
        m_pathSearch.reset();
        m_timer->start();
    });
    connect(m_timer, &QTimer::timeout, this, &FindController::updateStatus);
    connect(&bar, &FindBar::findNextRequested, this, &FindController::findNext);
    connect(&bar, &FindBar::findPreviousRequested, this, &FindController::findPrevious);
    connect(&bar, &FindBar::closeRequested, this, [this] {
        m_timer->stop();
        m_bar.hide();
        Q_EMIT highlightChanged({});
        Q_EMIT closed();
    });
}

FindController::~FindController() = default;

CallSearch &FindController::search()
{
    if (!m_search) {
        m_timer->stop();
        m_search = std::make_unique<CallSearch>(m_document.callIndex());
        if (m_search->setPattern(m_bar.pattern(), m_bar.isRegularExpression()) && m_paths)
            m_search->keepFirstCallsOf(*m_paths);
    }
    return *m_search;
}

EstimatedPathSearch &FindController::pathSearch()
{
    if (!m_pathSearch) {
        m_timer->stop();
        m_pathSearch = std::make_unique<EstimatedPathSearch>(m_document.profile());
        m_pathSearch->setPattern(m_bar.pattern(), m_bar.isRegularExpression());
    }
    return *m_pathSearch;
}

bool FindController::findsEstimatedPaths() const
{
    return m_document.profile().isAggregated();
}

void FindController::find()
{
    m_bar.activate();
}

void FindController::findNext()
{
    findAgain(true);
}

void FindController::findPrevious()
{
    findAgain(false);
}

void FindController::findAgain(bool forward)
{
    if (m_bar.pattern().isEmpty()) {
        find();
        return;
    }
    if (findsEstimatedPaths()) {
        const EstimatedPathSearch &paths = pathSearch();
        const qsizetype number = forward ? paths.nextMatch(m_currentPath) : paths.previousMatch(m_currentPath);
        if (number >= 0)
            Q_EMIT estimatedPathFound(paths.match(number));
        updateStatus();
        return;
    }
    CallSearch &current = search();
    const qsizetype number = forward ? current.nextMatch(m_current) : current.previousMatch(m_current);
    if (number >= 0)
        Q_EMIT matchFound(&current.match(number));
    updateStatus();
}

void FindController::setCurrentCall(const ProfiledFunctionCall *call)
{
    m_current = call;
    if (m_search)
        updateStatus();
}

void FindController::setCurrentEstimatedPath(quint32 path)
{
    m_currentPath = path;
    if (m_pathSearch)
        updateStatus();
}

void FindController::setMergedPaths(const MergedCallTree *paths)
{
    if (paths == m_paths)
        return;
    m_paths = paths;
    m_search.reset();
    searchAgain();
}

void FindController::forgetSearch()
{
    m_search.reset();
    m_pathSearch.reset();
    m_current = nullptr;
    m_currentPath = MergedCallTree::none;
    Q_EMIT highlightChanged({});
}

void FindController::searchAgain()
{
    if (!m_bar.isHidden())
        updateStatus();
}

void FindController::updateStatus()
{
    if (m_bar.pattern().isEmpty()) {
        m_bar.setStatus(QString());
        Q_EMIT highlightChanged({});
        return;
    }
    // What either search found: matching functions, matches, the current
    // one's number.
    const bool estimated = findsEstimatedPaths();
    const QString error = estimated ? pathSearch().errorString() : search().errorString();
    if (!error.isEmpty()) {
        Q_EMIT highlightChanged({});
        m_bar.setStatus(tr("Invalid: %1").arg(error), true);
        return;
    }
    // The highlight lasts as long as the bar is shown. A copy: the search
    // is replaced while the user types, a graph may paint meanwhile.
    if (m_bar.isHidden()) {
        Q_EMIT highlightChanged({});
    } else {
        const std::vector<bool> &matching = estimated ? pathSearch().matchingFunctions() : search().matchingFunctions();
        Q_EMIT highlightChanged([matching](const FunctionModel &function) {
            return function.id() < matching.size() && matching[function.id()];
        });
    }
    const qsizetype count = estimated ? pathSearch().matchCount() : search().matchCount();
    if (count == 0) {
        m_bar.setStatus(tr("No match"), true);
        return;
    }
    const qsizetype number = estimated ? pathSearch().matchNumberOf(m_currentPath) : search().matchNumberOf(m_current);
    if (number >= 0)
        m_bar.setStatus(tr("%1 of %2").arg(number + 1).arg(count));
    else
        m_bar.setStatus(count == 1 ? tr("1 match") : tr("%1 matches").arg(count));
}
