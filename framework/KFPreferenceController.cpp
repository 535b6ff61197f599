#include "KFPreferenceController.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QEasingCurve>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScreen>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWidget>

namespace {

constexpr int initialContentSize = 480;
constexpr int crossFadeMilliseconds = 250;
constexpr int slowCrossFadeMilliseconds = 1250;

// Fades a view to the given opacity as part of a cross-fade, from where an
// interrupted fade left it, or else from the opposite end.
QPropertyAnimation *fade(QWidget *view, qreal to, int duration)
{
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(view->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(view);
        effect->setOpacity(1.0 - to);
        view->setGraphicsEffect(effect);
    }
    auto *animation = new QPropertyAnimation(effect, "opacity");
    animation->setDuration(duration);
    animation->setStartValue(effect->opacity());
    animation->setEndValue(to);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    return animation;
}

} // namespace

KFPreferenceController::KFPreferenceController()
    : m_window(std::make_unique<QWidget>(nullptr,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
            | Qt::WindowMinimizeButtonHint | Qt::MSWindowsFixedSizeDialogHint))
    , m_viewAnimation(std::make_unique<QParallelAnimationGroup>())
{
    connect(m_viewAnimation.get(), &QAbstractAnimation::finished, this, &KFPreferenceController::animationDidEnd);

    // The toolbar goes above the container at the first showing; the window
    // never lets the layout set its size, setWindowFrame does.
    m_windowLayout = new QVBoxLayout(m_window.get());
    m_windowLayout->setContentsMargins(0, 0, 0, 0);
    m_windowLayout->setSpacing(0);
    m_windowLayout->setSizeConstraint(QLayout::SetNoConstraint);

    m_contentSubview = new QWidget(m_window.get());
    m_contentSubview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_windowLayout->addWidget(m_contentSubview, 1);

    auto *close = new QAction(m_window.get());
    close->setShortcuts({ QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W) });
    close->setShortcutContext(Qt::WindowShortcut);
    connect(close, &QAction::triggered, m_window.get(), &QWidget::close);
    m_window->addAction(close);

    m_window->setContextMenuPolicy(Qt::PreventContextMenu);
    m_window->setFixedSize(initialContentSize, initialContentSize);
}

KFPreferenceController::~KFPreferenceController()
{
    m_viewAnimation->stop();
    m_viewAnimation->clear();
    // The panes own their views; take them out of the window before it goes.
    m_panes.clear();
}

KFPreferenceController &KFPreferenceController::sharedInstance(
    const std::function<std::unique_ptr<KFPreferenceController>()> &create)
{
    // Nothing owns the shared controller during the run. Its window must go
    // while the application object is still whole, so it is deleted when the
    // main loop ends; a program that never runs the loop leaves it to the
    // end of the process.
    static QPointer<KFPreferenceController> shared;
    if (!shared) {
        std::unique_ptr<KFPreferenceController> created = create();
        if (QCoreApplication *application = QCoreApplication::instance())
            connect(application, &QCoreApplication::aboutToQuit, created.get(), &QObject::deleteLater);
        shared = created.release();
    }
    return *shared;
}

QWidget *KFPreferenceController::window() const
{
    return m_window.get();
}

const QAbstractAnimation *KFPreferenceController::viewAnimation() const
{
    return m_viewAnimation.get();
}

void KFPreferenceController::addPreferencePane(std::unique_ptr<KFPreferencePane> pane)
{
    for (auto &existing : m_panes) {
        if (existing->label() == pane->label()) {
            existing = std::move(pane);
            return;
        }
    }
    m_panes.push_back(std::move(pane));
}

KFPreferencePane *KFPreferenceController::pane(const QString &identifier) const
{
    for (const auto &pane : m_panes) {
        if (pane->label() == identifier)
            return pane.get();
    }
    return nullptr;
}

QStringList KFPreferenceController::toolbarDefaultItemIdentifiers() const
{
    QStringList identifiers;
    for (const auto &pane : m_panes)
        identifiers.append(pane->label());
    return identifiers;
}

void KFPreferenceController::showWindow()
{
    m_viewAnimation->stop();
    // A text field being edited stores its value when it loses the focus,
    // before its pane goes.
    if (QWidget *focused = m_window->focusWidget())
        focused->clearFocus();
    m_panes.clear();
    setupToolbar();
    if (m_panes.empty()) {
        qCritical("No items were added to the toolbar in -setupToolbar.");
        return;
    }

    if (!m_toolbar)
        createToolbar();

    setPane(m_panes.front()->label(), false);

    QScreen *screen = m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen();
    if (!m_placed && screen) {
        m_placed = true;
        QRect frame = windowFrame();
        frame.moveCenter(screen->availableGeometry().center());
        setWindowFrame(frame);
    }

    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void KFPreferenceController::createToolbar()
{
    m_toolbar = new QToolBar(m_window.get());
    m_toolbar->setObjectName(QStringLiteral("KFPreferenceToolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->toggleViewAction()->setVisible(false);
    m_toolbar->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    m_toolbarItems = new QActionGroup(m_toolbar);
    m_toolbarItems->setExclusive(true);
    // The toolbar keeps the items for the rest of the run; a later showing
    // brings new panes, which are found again by the items' identifiers.
    for (const auto &pane : m_panes) {
        QAction *item = pane->toolbarItem();
        item->setParent(m_toolbar);
        m_toolbarItems->addAction(item);
        m_toolbar->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { toggleActivePreferenceView(item); });
    }

    m_toolbar->setFixedHeight(m_toolbar->sizeHint().height());
    m_windowLayout->insertWidget(0, m_toolbar);
}

void KFPreferenceController::toggleActivePreferenceView(QAction *item)
{
    displayPaneForIdentifier(item->objectName(), true);
}

void KFPreferenceController::setPane(const QString &identifier, bool animate)
{
    if (m_toolbarItems) {
        const QList<QAction *> items = m_toolbarItems->actions();
        for (QAction *item : items) {
            if (item->objectName() == identifier)
                item->setChecked(true);
        }
    }
    displayPaneForIdentifier(identifier, animate);
}

QList<QWidget *> KFPreferenceController::subviews() const
{
    return m_contentSubview->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
}

void KFPreferenceController::removeSubview(QWidget *view)
{
    view->hide();
    view->setParent(nullptr);
    view->setGraphicsEffect(nullptr);
}

void KFPreferenceController::displayPaneForIdentifier(const QString &identifier, bool animate)
{
    KFPreferencePane *shownPane = pane(identifier);
    if (!shownPane)
        return;
    QWidget *newView = shownPane->view();

    // Only the front-most view stays; anything a stopped cross-fade left
    // behind goes now.
    QWidget *oldView = nullptr;
    const QList<QWidget *> views = subviews();
    if (!views.isEmpty()) {
        oldView = views.last();
        for (QWidget *view : views) {
            if (view != oldView)
                removeSubview(view);
        }
    }
    if (newView == oldView)
        return;

    newView->setParent(m_contentSubview);
    newView->move(0, 0);
    newView->raise();
    newView->show();
    newView->setFocus(Qt::OtherFocusReason);

    if (animate && m_crossFade) {
        crossFadeView(oldView, newView);
    } else {
        // A cross-fade still running would carry the window to the frame of
        // the view it was showing.
        m_viewAnimation->stop();
        m_viewAnimation->clear();
        if (oldView)
            removeSubview(oldView);
        newView->setGraphicsEffect(nullptr);
        const QRect frame = frameForView(newView);
        if (animate) {
            auto *resize = new QPropertyAnimation(this, "windowFrame");
            resize->setDuration(crossFadeMilliseconds);
            resize->setEndValue(frame);
            resize->setEasingCurve(QEasingCurve::InOutQuad);
            m_viewAnimation->addAnimation(resize);
            m_viewAnimation->start();
        } else {
            setWindowFrame(frame);
        }
    }

    m_window->setWindowTitle(identifier);
}

void KFPreferenceController::crossFadeView(QWidget *oldView, QWidget *newView)
{
    m_viewAnimation->stop();
    m_viewAnimation->clear();

    const bool slow = m_shiftSlowsAnimation && QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier);
    const int duration = slow ? slowCrossFadeMilliseconds : crossFadeMilliseconds;

    if (oldView)
        m_viewAnimation->addAnimation(fade(oldView, 0.0, duration));
    m_viewAnimation->addAnimation(fade(newView, 1.0, duration));
    auto *resize = new QPropertyAnimation(this, "windowFrame");
    resize->setDuration(duration);
    resize->setStartValue(windowFrame());
    resize->setEndValue(frameForView(newView));
    resize->setEasingCurve(QEasingCurve::InOutQuad);
    m_viewAnimation->addAnimation(resize);
    m_viewAnimation->start();
}

void KFPreferenceController::animationDidEnd()
{
    const QList<QWidget *> views = subviews();
    for (qsizetype i = 0; i + 1 < views.size(); ++i)
        removeSubview(views[i]);
    if (!views.isEmpty())
        views.last()->setGraphicsEffect(nullptr);
    if (QWidget *focused = m_window->focusWidget())
        focused->clearFocus();
}

int KFPreferenceController::chromeHeight() const
{
    const int titleBar = m_window->frameGeometry().height() - m_window->height();
    return titleBar + (m_toolbar ? m_toolbar->height() : 0);
}

QRect KFPreferenceController::frameForView(const QWidget *view) const
{
    const QRect current = windowFrame();
    const int frameSides = m_window->frameGeometry().width() - m_window->width();
    return QRect(current.topLeft(), QSize(view->width() + frameSides, view->height() + chromeHeight()));
}

QRect KFPreferenceController::windowFrame() const
{
    return m_window->frameGeometry();
}

void KFPreferenceController::setWindowFrame(const QRect &frame)
{
    const QRect current = m_window->frameGeometry();
    const QRect client = m_window->geometry();
    const QSize decoration = current.size() - client.size();
    m_window->setFixedSize(frame.size() - decoration);
    m_window->move(frame.topLeft());
}
