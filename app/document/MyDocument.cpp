#include "MyDocument.h"

#include "CallIndex.h"
#include "CallTreeMerger.h"
#include "DocumentWindow.h"
#include "NotificationCenter.h"

#include <QFileInfo>

MyDocument::MyDocument(const QString &filePath, std::unique_ptr<Profile> profile, QObject *parent)
    : QObject(parent)
    , m_filePath(filePath)
    , m_title(displayName())
    , m_profile(std::move(profile))
{ }

MyDocument::~MyDocument()
{
    NotificationCenter::defaultCenter().postNotificationName(VTCDocumentClosedNotification, this);
    if (m_window)
        m_window->disconnect(this);
}

QString MyDocument::displayName() const
{
    return QFileInfo(m_filePath).fileName();
}

void MyDocument::setTitle(const QString &title)
{
    m_title = title;
    Q_EMIT titleChanged(title);
}

const CallIndex &MyDocument::callIndex()
{
    if (!m_callIndex)
        m_callIndex = std::make_unique<CallIndex>(m_profile->callTree());
    return *m_callIndex;
}

const MergedCallTree &MyDocument::mergedCallTree()
{
    if (!m_mergedCallTree)
        m_mergedCallTree = std::make_unique<MergedCallTree>(CallTreeMerger::merge(m_profile->callTree()));
    return *m_mergedCallTree;
}

void MyDocument::replaceProfile(std::unique_ptr<Profile> profile)
{
    // The old tree and its index stay until nothing shows them any more.
    const std::unique_ptr<Profile> old = std::exchange(m_profile, std::move(profile));
    const std::unique_ptr<CallIndex> oldIndex = std::move(m_callIndex);
    const std::unique_ptr<MergedCallTree> oldPaths = std::move(m_mergedCallTree);
    Q_EMIT profileReplaced();
}

void MyDocument::makeWindowControllers()
{
    if (m_window)
        return;
    m_window = std::make_unique<DocumentWindow>(*this);
    connect(m_window.get(), &DocumentWindow::closed, this, [this] { Q_EMIT windowClosed(this); });
    connect(m_window.get(), &DocumentWindow::activated, this, [this] { Q_EMIT windowActivated(this); });
    NotificationCenter::defaultCenter().postNotificationName(VTCDocumentOpenedNotification, this);
}

void MyDocument::showWindows()
{
    makeWindowControllers();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

bool MyDocument::showFunctionInSummary(std::string_view name)
{
    makeWindowControllers();
    return m_window->showFunctionInSummary(name);
}
