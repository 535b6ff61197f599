#include "AppController.h"

#include "DocumentController.h"
#include "FileDropFilter.h"
#include "MyDocument.h"
#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {

QList<QUrl> showOpenDialog(QWidget *parent)
{
    return QFileDialog::getOpenFileUrls(parent, AppController::tr("Open Profile"), QUrl(),
                                        AppController::tr("Profiles (cachegrind.out* *.cachegrind* *.gz);;All files (*)"));
}

} // namespace

AppController::AppController(QObject *parent)
    : QObject(parent),
      m_documentController(std::make_unique<DocumentController>()),
      m_dropFilter(std::make_unique<FileDropFilter>([this](const QList<QUrl> &files) { openFiles(files); })),
      m_openAction(new QAction(tr("&Open\u2026"), this)),
      m_closeAction(new QAction(tr("&Close"), this)),
      m_quitAction(new QAction(tr("&Quit"), this)),
      m_openPanel(showOpenDialog)
{
    m_openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_closeAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    m_quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quitAction->setMenuRole(QAction::QuitRole);
    connect(m_openAction, &QAction::triggered, this, &AppController::openDocument);
    connect(m_closeAction, &QAction::triggered, this, &AppController::closeFrontWindow);
    connect(m_quitAction, &QAction::triggered, this, &AppController::quit);
    m_documentController->setWindowDecorator([this](QMainWindow &window) { decorateWindow(window); });
}

AppController::~AppController()
{
    // Windows go while the application object still exists.
    m_startWindow.reset();
    m_documentController.reset();
}

void AppController::setUpdateCheck(std::function<void()> startUpdateCheck)
{
    m_startUpdateCheck = std::move(startUpdateCheck);
}

void AppController::setSifterLaunch(std::function<void()> startSifter)
{
    m_startSifter = std::move(startSifter);
}

void AppController::addMenuExtension(MenuExtension extension)
{
    m_menuExtensions.append(std::move(extension));
}

void AppController::setOpenPanel(OpenPanel openPanel)
{
    m_openPanel = std::move(openPanel);
}

void AppController::awakeFromNib()
{
    registerSettingsDefaults();
    const KFUserDefaultsController &defaults = KFUserDefaultsController::sharedUserDefaultsController();
    if (defaults.boolForKey(VTCUpdatesCheckAutomatically) && m_startUpdateCheck)
        m_startUpdateCheck();
    if (defaults.boolForKey(VTCSifterStartOnLaunch) && m_startSifter)
        m_startSifter();
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
        auto *hint = new QLabel(tr("Open a profile with File \u25b8 Open\u2026, or drop profile files here."));
        hint->setAlignment(Qt::AlignCenter);
        hint->setMargin(24);
        m_startWindow->setCentralWidget(hint);
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
    file->addSeparator();
    file->addAction(m_closeAction);
    file->addSeparator();
    file->addAction(m_quitAction);
    for (const MenuExtension &extension : std::as_const(m_menuExtensions))
        extension(*menuBar);

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
        connect(item, &QAction::triggered, this, [this, path] { openFiles({QUrl::fromLocalFile(path)}); });
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
