#include "AppController.h"

#include "AlertPresenter.h"
#include "ComparisonController.h"
#include "ComparisonWindow.h"
#include "DialogFolder.h"
#include "DisplayText.h"
#include "DocumentController.h"
#include "DocumentWindow.h"
#include "FileDropFilter.h"
#include "MyDocument.h"
#include "PlainToolTip.h"
#include "PreferenceController.h"
#include "PreferencePanePaths.h"
#include "SettingsKeys.h"
#include "SifterDocumentRegistry.h"
#include "SifterStatusController.h"
#include "SifterWatcher.h"
#include "StartWindow.h"
#include "UpdateCheck.h"

#include <KFUserDefaultsController.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QWindow>

#include <algorithm>

namespace {

// The names profilers give their files, compressed or not.
QString profileFilter()
{
    return AppController::tr("Profiles (cachegrind.out* callgrind.out* *.cachegrind* *.gz);;All files (*)");
}

QList<QUrl> showOpenDialog(QWidget *parent)
{
    const QList<QUrl> files = QFileDialog::getOpenFileUrls(parent, AppController::tr("Open Profile"),
        QUrl::fromLocalFile(DialogFolder::startFor(parent)), profileFilter());
    if (!files.isEmpty())
        DialogFolder::remember(files.first().toLocalFile());
    return files;
}

QList<QUrl> showCompareDialog(QWidget *parent)
{
    const QUrl file = QFileDialog::getOpenFileUrl(parent, AppController::tr("Compare With"),
        QUrl::fromLocalFile(DialogFolder::startFor(parent)), profileFilter());
    DialogFolder::remember(file.toLocalFile());
    return file.isEmpty() ? QList<QUrl>() : QList<QUrl> { file };
}

} // namespace

AppController::AppController(QObject *parent)
    : QObject(parent)
    , m_documentController(std::make_unique<DocumentController>())
    , m_comparisonController(std::make_unique<ComparisonController>(*m_documentController))
    , m_dropFilter(std::make_unique<FileDropFilter>([this](const QList<QUrl> &files) { openFiles(files); }))
    , m_openAction(new QAction(tr("&Open\u2026"), this))
    , m_reloadAction(new QAction(tr("Re&load"), this))
    , m_closeAction(new QAction(tr("&Close"), this))
    , m_compareAction(new QAction(tr("Compare &With\u2026"), this))
    , m_quitAction(new QAction(tr("&Quit"), this))
    , m_openPanel(showOpenDialog)
    , m_comparePanel(showCompareDialog)
    , m_updateCheck(std::make_unique<UpdateCheck>())
{
    m_openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_reloadAction->setShortcut(QKeySequence(Qt::Key_F5));
    m_closeAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    m_quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quitAction->setMenuRole(QAction::QuitRole);
    connect(m_openAction, &QAction::triggered, this, &AppController::openDocument);
    connect(m_reloadAction, &QAction::triggered, this, &AppController::reloadFrontDocument);
    connect(m_closeAction, &QAction::triggered, this, &AppController::closeFrontWindow);
    connect(m_compareAction, &QAction::triggered, this, &AppController::compareWith);
    connect(m_quitAction, &QAction::triggered, this, &AppController::quit);
    m_documentController->setWindowDecorator([this](QMainWindow &window) { decorateWindow(window); });
    connect(
        m_documentController.get(), &DocumentController::documentClosed, this, &AppController::showStartWindowIfIdle);
    connect(
        m_documentController.get(), &DocumentController::documentChangedWhileRead, this, [this](MyDocument *document) {
            DocumentWindow *window = document->window();
            if (!window)
                return;
            disconnect(window, &DocumentWindow::reloadRequested, this, nullptr);
            connect(window, &DocumentWindow::reloadRequested, this,
                [this, document, window] { m_documentController->reloadDocument(document, window); });
            window->showChangedWhileRead();
        });
    connect(m_documentController.get(), &DocumentController::openFinished, this,
        [this](const FileIdentity &, MyDocument *document) {
            // The start window gives way once a document window is on screen.
            if (document)
                closeStartWindow();
            else
                showStartWindowIfIdle();
        });
    // The application ends from Quit, or when the start window is closed
    // with no document open; closing the last document brings the start
    // window back.
    QGuiApplication::setQuitOnLastWindowClosed(false);

    const KFUserDefaultsController &settings = KFUserDefaultsController::sharedUserDefaultsController();
    connect(&settings, &KFUserDefaultsController::unreadableStoreSetAside, this,
        [this](const QString &fileName, const QString &keptAs) {
            m_documentController->alertPresenter().showWarning(nullptr, tr("Velotrace could not read its settings."),
                tr("The settings file \u201c%1\u201d could not be understood. It was kept as \u201c%2\u201d, and "
                   "the default settings are used.")
                    .arg(fileName, keptAs));
        });
    connect(&settings, &KFUserDefaultsController::storeWriteFailed, this, [this](const QString &fileName) {
        m_documentController->alertPresenter().showWarning(nullptr, tr("Velotrace cannot save its settings."),
            tr("The file \u201c%1\u201d could not be written. Changes to the preferences and the recent files will "
               "be lost when Velotrace quits.")
                .arg(fileName));
    });
    m_comparisonController->setWindowDecorator([this](QMainWindow &window) { decorateWindow(window); });
    // Comparing needs a document in front.
    m_compareAction->setEnabled(false);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &AppController::updateCompareAction);
    connect(m_documentController.get(), &DocumentController::documentClosed, this, &AppController::updateCompareAction);
}

AppController::~AppController()
{
    // Nothing is in front any more while windows and documents go, and
    // documents closed now bring no start window back.
    disconnect(qGuiApp, nullptr, this, nullptr);
    m_documentController->disconnect(this);
    // Windows go while the application object still exists; the watcher
    // goes after its window and before the registry it looks documents up
    // in.
    m_startWindow.reset();
    m_sifterStatusController.reset();
    m_sifterWatcher.reset();
    m_sifterDocuments.reset();
    m_comparisonController.reset();
    m_documentController.reset();
}

void AppController::setOpenPanel(OpenPanel openPanel)
{
    m_openPanel = std::move(openPanel);
}

void AppController::setComparePanel(OpenPanel comparePanel)
{
    m_comparePanel = std::move(comparePanel);
}

void AppController::awakeFromNib()
{
    KFUserDefaultsController::sharedUserDefaultsController().setAsideUnreadableStore();
    registerSettingsDefaults();
    UpdateCheck::registerDefaults();
    const KFUserDefaultsController &defaults = KFUserDefaultsController::sharedUserDefaultsController();
    if (defaults.boolForKey(VTCUpdatesCheckAutomatically))
        checkForUpdates();
    // The watcher runs without a window until the user asks for it.
    if (defaults.boolForKey(VTCSifterStartOnLaunch))
        sifter().start();
}

void AppController::applicationWillTerminate()
{
    KFUserDefaultsController::sharedUserDefaultsController().synchronize();
}

void AppController::openStartupFiles(const QStringList &paths)
{
    QList<QUrl> files;
    for (const QString &path : paths)
        files.append(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    if (!files.isEmpty())
        openFiles(files);
    showStartWindowIfIdle();
}

void AppController::openHandedOverFiles(const QStringList &paths)
{
    openStartupFiles(paths);
    if (!paths.isEmpty())
        return;
    if (MyDocument *front = frontDocument())
        m_documentController->showDocument(front);
    else
        showStartWindow();
}

void AppController::openFiles(const QList<QUrl> &files)
{
    m_documentController->openDocuments(files, QApplication::activeWindow());
}

void AppController::showStartWindow()
{
    if (!m_startWindow) {
        m_startWindow = std::make_unique<StartWindow>();
        connect(m_startWindow.get(), &StartWindow::openRequested, this, &AppController::openDocument);
        connect(m_startWindow.get(), &StartWindow::watcherRequested, this, &AppController::showSifterStatus);
        connect(m_startWindow.get(), &StartWindow::closed, this, &AppController::startWindowClosed);
        decorateWindow(*m_startWindow);
    }
    m_startWindow->show();
    m_startWindow->raise();
    m_startWindow->activateWindow();
}

void AppController::closeStartWindow()
{
    if (!m_startWindow)
        return;
    // Gone by the program's choice, not closed by the user.
    m_startWindow->disconnect(this);
    m_startWindow.release()->deleteLater();
}

bool AppController::hasNoDocument() const
{
    return m_documentController->documents().isEmpty() && m_documentController->readsInProgress() == 0;
}

void AppController::startWindowClosed()
{
    if (hasNoDocument())
        quit();
}

void AppController::showStartWindowIfIdle()
{
    if (!m_quitting && hasNoDocument())
        showStartWindow();
}

void AppController::decorateWindow(QMainWindow &window)
{
    QMenuBar &menuBar = *window.menuBar();
    // A document window brings its own find and navigation actions.
    auto *document = qobject_cast<DocumentWindow *>(&window);
    addFileMenu(menuBar);
    addEditMenu(menuBar, document);
    if (document) {
        QMenu *view = menuBar.addMenu(tr("&View"));
        view->addActions(document->viewActions());
        // An item disabled says why in its tooltip.
        view->setToolTipsVisible(true);
        addGoMenu(menuBar, *document);
        connect(document, &DocumentWindow::pathMappingRequested, this, &AppController::showPathMappingPreferences);
    }
    addWindowMenu(menuBar);
    addHelpMenu(menuBar);
    window.setAcceptDrops(true);
    window.installEventFilter(m_dropFilter.get());
}

void AppController::addFileMenu(QMenuBar &menuBar)
{
    QMenu *file = menuBar.addMenu(tr("&File"));
    connect(file, &QMenu::aboutToShow, this,
        [this] { m_reloadAction->setEnabled(!m_documentController->documents().isEmpty()); });
    file->addAction(m_openAction);
    QMenu *recent = file->addMenu(tr("Open &Recent"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent] { fillRecentMenu(*recent); });
    file->addAction(m_reloadAction);
    file->addAction(m_compareAction);
    connect(file, &QMenu::aboutToShow, this, &AppController::updateCompareAction);
    file->addSeparator();
    file->addAction(m_closeAction);
    file->addSeparator();
    file->addAction(m_quitAction);
}

void AppController::addEditMenu(QMenuBar &menuBar, DocumentWindow *document)
{
    QMenu *edit = menuBar.addMenu(tr("&Edit"));
    if (document) {
        edit->addActions({ document->findAction(), document->findNextAction(), document->findPreviousAction() });
        edit->addSeparator();
    }
    QAction *preferences = edit->addAction(tr("&Preferences\u2026"), this, &AppController::showPreferencePanel);
    // The platform's standard sequence for preferences is empty on Linux.
    preferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    preferences->setMenuRole(QAction::PreferencesRole);
}

void AppController::addGoMenu(QMenuBar &menuBar, DocumentWindow &document)
{
    menuBar.addMenu(tr("&Go"))->addActions(
        { document.goToCallerAction(), document.expandHotPathAction(), document.openInEditorAction() });
}

void AppController::addWindowMenu(QMenuBar &menuBar)
{
    QMenu *windowMenu = menuBar.addMenu(tr("&Window"));
    connect(windowMenu, &QMenu::aboutToShow, this, [this, windowMenu] { fillWindowMenu(*windowMenu); });
    fillWindowMenu(*windowMenu);
}

void AppController::addHelpMenu(QMenuBar &menuBar)
{
    QMenu *help = menuBar.addMenu(tr("&Help"));
    help->addAction(tr("Check for &Updates\u2026"), this, &AppController::checkForUpdatesMenuItemSelected);
}

void AppController::fillWindowMenu(QMenu &menu)
{
    menu.clear();
    menu.addAction(tr("&Sifter"), this, &AppController::showSifterStatus);
    const QList<MyDocument *> documents = m_documentController->documents();
    const QList<ComparisonWindow *> comparisons = m_comparisonController->windows();
    if (documents.isEmpty() && comparisons.isEmpty())
        return;
    menu.addSeparator();
    const QWidget *active = QApplication::activeWindow();
    MyDocument *front
        = std::find(comparisons.begin(), comparisons.end(), active) == comparisons.end() ? frontDocument() : nullptr;
    for (MyDocument *document : documents) {
        QAction *item = menu.addAction(DisplayText::forMenuItem(document->title()));
        item->setCheckable(true);
        item->setChecked(document == front);
        connect(item, &QAction::triggered, this, [this, document] {
            // The menu may outlive the document it names.
            if (m_documentController->documents().contains(document))
                m_documentController->showDocument(document);
        });
    }
    for (ComparisonWindow *window : comparisons) {
        QAction *item = menu.addAction(DisplayText::forMenuItem(window->windowTitle()));
        item->setCheckable(true);
        item->setChecked(window == active);
        connect(item, &QAction::triggered, this, [this, window] {
            if (!m_comparisonController->windows().contains(window))
                return;
            window->show();
            window->raise();
            window->activateWindow();
        });
    }
}

MyDocument *AppController::frontDocument() const
{
    return m_documentController->orderedDocuments().value(0);
}

void AppController::reloadFrontDocument()
{
    m_documentController->reloadDocument(frontDocument(), QApplication::activeWindow());
}

void AppController::fillRecentMenu(QMenu &menu)
{
    menu.clear();
    // Kept as the system's bytes: a name that is not valid text opens too.
    const QByteArrayList paths = m_documentController->recentDocumentPaths();
    // Entries that share a name show their folder too; every one has its
    // whole path as tooltip.
    menu.setToolTipsVisible(true);
    QHash<QString, int> sharing;
    for (const QByteArray &path : paths)
        ++sharing[FileIdentity(path).fileName()];
    for (const QByteArray &path : paths) {
        const FileIdentity file(path);
        const QString name = file.fileName();
        const QString label
            = sharing.value(name) > 1 ? tr("%1 \u2014 %2").arg(name, QFileInfo(file.path()).absolutePath()) : name;
        QAction *item = menu.addAction(DisplayText::forMenuItem(label));
        item->setToolTip(plainToolTip(file.path()));
        connect(item, &QAction::triggered, this,
            [this, file] { m_documentController->openDocument(file, true, QApplication::activeWindow()); });
    }
    if (!paths.isEmpty())
        menu.addSeparator();
    QAction *clear = menu.addAction(tr("Clear Menu"));
    clear->setEnabled(!paths.isEmpty());
    connect(clear, &QAction::triggered, m_documentController.get(), &DocumentController::clearRecentDocuments);
}

void AppController::openDocument()
{
    const QList<QUrl> files = m_openPanel(QApplication::activeWindow());
    if (!files.isEmpty())
        openFiles(files);
}

MyDocument *AppController::activeDocument() const
{
    const QWidget *active = QApplication::activeWindow();
    for (MyDocument *document : m_documentController->orderedDocuments()) {
        if (active && document->window() == active)
            return document;
    }
    return nullptr;
}

void AppController::updateCompareAction()
{
    m_compareAction->setEnabled(activeDocument() != nullptr);
}

void AppController::compareWith()
{
    MyDocument *front = activeDocument();
    if (!front)
        return;
    const QList<QUrl> files = m_comparePanel(front->window());
    if (!files.isEmpty())
        m_comparisonController->compare(*front, files.first(), front->window());
}

void AppController::closeFrontWindow()
{
    if (QWidget *window = QApplication::activeWindow())
        window->close();
}

void AppController::quit()
{
    if (m_quitting)
        return;
    m_quitting = true;
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

void AppController::showPreferencePanel()
{
    if (!m_preferenceController) {
        // Null only if something else made the process's preference window
        // first, as another class: then there is none of ours to show.
        m_preferenceController = KFPreferenceController::sharedPreferenceController<PreferenceController>();
        if (!m_preferenceController) {
            qWarning("The preference window was made by another part of the program.");
            return;
        }
        connect(m_preferenceController, &PreferenceController::checkForUpdatesRequested, this,
            &AppController::checkForUpdatesMenuItemSelected);
    }
    m_preferenceController->showWindow();
    m_preferenceController->window()->raise();
    m_preferenceController->window()->activateWindow();
}

void AppController::showPreferencesForSifter()
{
    showPreferencePanel();
    if (m_preferenceController)
        m_preferenceController->setPane(QStringLiteral("Sifter"), false);
}

void AppController::showPathMappingPreferences(const QString &path)
{
    showPreferencePanel();
    if (!m_preferenceController)
        return;
    const QString paths = QStringLiteral("Paths");
    m_preferenceController->setPane(paths, false);
    if (auto *pane = qobject_cast<PreferencePanePaths *>(m_preferenceController->pane(paths)))
        pane->proposeMapping(path);
}

void AppController::showSifterStatus()
{
    if (!m_sifterStatusController) {
        m_sifterStatusController = std::make_unique<SifterStatusController>(sifter());
        m_sifterStatusController->setWindowDecorator([this](QMainWindow &window) { decorateWindow(window); });
        connect(m_sifterStatusController.get(), &SifterStatusController::preferencesClicked, this,
            &AppController::showPreferencesForSifter);
    }
    m_sifterStatusController->showWindow();
}

SifterWatcher &AppController::sifter()
{
    if (!m_sifterWatcher) {
        m_sifterDocuments = std::make_unique<SifterDocumentRegistry>(*m_documentController);
        m_sifterWatcher = std::make_unique<SifterWatcher>(*m_sifterDocuments);
    }
    return *m_sifterWatcher;
}

void AppController::checkForUpdatesMenuItemSelected()
{
    m_updateCheck->checkForUpdates(true);
}

void AppController::checkForUpdates()
{
    m_updateCheck->checkForUpdates(false);
}

QMainWindow *AppController::startWindow() const
{
    return m_startWindow.get();
}
