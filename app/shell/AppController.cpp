#include "AppController.h"

#include "ComparisonController.h"
#include "DocumentController.h"
#include "DocumentWindow.h"
#include "FileDropFilter.h"
#include "MyDocument.h"
#include "PreferenceController.h"
#include "SettingsKeys.h"
#include "SifterDocumentRegistry.h"
#include "SifterStatusController.h"
#include "SifterWatcher.h"
#include "UpdateCheck.h"

#include <KFUserDefaultsController.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QWindow>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QList<QUrl> showOpenDialog(QWidget *parent)
{
    return QFileDialog::getOpenFileUrls(parent, AppController::tr("Open Profile"), QUrl(),
        AppController::tr("Profiles (cachegrind.out* *.cachegrind* *.gz);;All files (*)"));
}

QList<QUrl> showCompareDialog(QWidget *parent)
{
    const QUrl file = QFileDialog::getOpenFileUrl(parent, AppController::tr("Compare With"), QUrl(),
        AppController::tr("Profiles (cachegrind.out* *.cachegrind* *.gz);;All files (*)"));
    return file.isEmpty() ? QList<QUrl>() : QList<QUrl> { file };
}

} // namespace

AppController::AppController(QObject *parent)
    : QObject(parent)
    , m_documentController(std::make_unique<DocumentController>())
    , m_comparisonController(std::make_unique<ComparisonController>(*m_documentController))
    , m_dropFilter(std::make_unique<FileDropFilter>([this](const QList<QUrl> &files) { openFiles(files); }))
    , m_openAction(new QAction(tr("&Open\u2026"), this))
    , m_closeAction(new QAction(tr("&Close"), this))
    , m_compareAction(new QAction(tr("Compare &With\u2026"), this))
    , m_quitAction(new QAction(tr("&Quit"), this))
    , m_openPanel(showOpenDialog)
    , m_comparePanel(showCompareDialog)
    , m_updateCheck(std::make_unique<UpdateCheck>())
{
    m_openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_closeAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    m_quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quitAction->setMenuRole(QAction::QuitRole);
    connect(m_openAction, &QAction::triggered, this, &AppController::openDocument);
    connect(m_closeAction, &QAction::triggered, this, &AppController::closeFrontWindow);
    connect(m_compareAction, &QAction::triggered, this, &AppController::compareWith);
    connect(m_quitAction, &QAction::triggered, this, &AppController::quit);
    m_documentController->setWindowDecorator([this](QMainWindow &window) { decorateWindow(window); });
    m_comparisonController->setWindowDecorator([this](QMainWindow &window) { decorateWindow(window); });
    // Comparing needs a document in front.
    m_compareAction->setEnabled(false);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &AppController::updateCompareAction);
    connect(m_documentController.get(), &DocumentController::documentClosed, this, &AppController::updateCompareAction);
}

AppController::~AppController()
{
    // Nothing is in front any more while windows and documents go.
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
    if (m_documentController->documents().isEmpty())
        showStartWindow();
}

void AppController::openFiles(const QList<QUrl> &files)
{
    const QList<MyDocument *> opened = m_documentController->openDocuments(files, QApplication::activeWindow());
    // The start window gives way once a document window is on screen.
    if (!opened.isEmpty())
        closeStartWindow();
}

void AppController::showStartWindow()
{
    if (!m_startWindow) {
        m_startWindow = std::make_unique<QMainWindow>();
        m_startWindow->setWindowTitle(QStringLiteral("Velotrace"));
        auto *content = new QWidget;
        auto *layout = new QVBoxLayout(content);
        auto *hint = new QLabel(tr("Open a profile with File \u25b8 Open\u2026, or drop profile files here."));
        hint->setAlignment(Qt::AlignCenter);
        hint->setMargin(24);
        auto *openButton = new QPushButton(tr("Open Profile\u2026"));
        auto *watcherButton = new QPushButton(tr("Show Watcher"));
        connect(openButton, &QPushButton::clicked, this, &AppController::openDocument);
        connect(watcherButton, &QPushButton::clicked, this, &AppController::showSifterStatus);
        layout->addStretch();
        layout->addWidget(hint);
        layout->addWidget(openButton, 0, Qt::AlignCenter);
        layout->addWidget(watcherButton, 0, Qt::AlignCenter);
        layout->addStretch();
        m_startWindow->setCentralWidget(content);
        m_startWindow->resize(560, 320);
        decorateWindow(*m_startWindow);
    }
    m_startWindow->show();
    m_startWindow->raise();
    m_startWindow->activateWindow();
}

void AppController::closeStartWindow()
{
    if (m_startWindow)
        m_startWindow.release()->deleteLater();
}

void AppController::decorateWindow(QMainWindow &window)
{
    QMenuBar *menuBar = window.menuBar();
    QMenu *file = menuBar->addMenu(tr("&File"));
    file->addAction(m_openAction);
    QMenu *recent = file->addMenu(tr("Open &Recent"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent] { fillRecentMenu(*recent); });
    file->addAction(m_compareAction);
    connect(file, &QMenu::aboutToShow, this, &AppController::updateCompareAction);
    file->addSeparator();
    file->addAction(m_closeAction);
    file->addSeparator();
    file->addAction(m_quitAction);

    QMenu *edit = menuBar->addMenu(tr("&Edit"));
    // A document window brings its own find and navigation actions.
    auto *document = qobject_cast<DocumentWindow *>(&window);
    if (document) {
        edit->addActions({ document->findAction(), document->findNextAction(), document->findPreviousAction() });
        edit->addSeparator();
    }
    QAction *preferences = edit->addAction(tr("&Preferences\u2026"), this, &AppController::showPreferencePanel);
    // The platform's standard sequence for preferences is empty on Linux.
    preferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    preferences->setMenuRole(QAction::PreferencesRole);

    if (document)
        menuBar->addMenu(tr("&Go"))->addActions({ document->goToCallerAction(), document->expandHotPathAction() });

    QMenu *windowMenu = menuBar->addMenu(tr("&Window"));
    windowMenu->addAction(tr("&Watcher"), this, &AppController::showSifterStatus);

    QMenu *help = menuBar->addMenu(tr("&Help"));
    help->addAction(tr("Check for &Updates\u2026"), this, &AppController::checkForUpdatesMenuItemSelected);

    window.setAcceptDrops(true);
    window.installEventFilter(m_dropFilter.get());
}

void AppController::fillRecentMenu(QMenu &menu)
{
    menu.clear();
    const QStringList paths = m_documentController->recentDocumentPaths();
    for (const QString &path : paths) {
        QAction *item = menu.addAction(QFileInfo(path).fileName());
        item->setToolTip(path);
        connect(item, &QAction::triggered, this, [this, path] { openFiles({ QUrl::fromLocalFile(path) }); });
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

MyDocument *AppController::frontDocument() const
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
    m_compareAction->setEnabled(frontDocument() != nullptr);
}

void AppController::compareWith()
{
    MyDocument *front = frontDocument();
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
