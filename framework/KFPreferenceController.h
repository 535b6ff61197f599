#pragma once

#include "KFPreferencePane.h"
#include "KestruneFoundationExport.h"

#include <QActionGroup>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QToolBar>

#include <functional>
#include <memory>
#include <vector>

class QAbstractAnimation;
class QAction;
class QParallelAnimationGroup;
class QVBoxLayout;
class QWidget;

// The preference window: a window the user cannot resize, with a toolbar of
// panes. Choosing a pane's toolbar item shows its view, cross-fading from
// the previous one while the window resizes to fit, its top-left corner
// held in place. Escape and the standard Close keys close it; it opens
// centred the first time and where the user left it afterwards.
//
// An application subclasses this once, adding its panes in setupToolbar,
// and reaches the one window of the process through
// sharedPreferenceController<TheSubclass>().
class KESTRUNEFOUNDATION_EXPORT KFPreferenceController : public QObject
{
    Q_OBJECT
    // The window's frame (title bar included), animated during a cross-fade.
    Q_PROPERTY(QRect windowFrame READ windowFrame WRITE setWindowFrame)
public:
    // Builds the window (480 by 480 content, no toolbar yet). Applications
    // use the shared controller; separate instances serve tests.
    KFPreferenceController();
    ~KFPreferenceController() override;

    // The process-wide controller, created on the first call as a
    // Controller; later calls return that same object, or null when it is
    // not a Controller. It lives until the application's main loop has
    // ended.
    template <class Controller = KFPreferenceController> static Controller *sharedPreferenceController();

    QWidget *window() const;
    // The toolbar, created at the first showing.
    QToolBar *toolbar() const { return m_toolbar; }
    // The container inside the window that holds the shown pane's view.
    QWidget *contentSubview() const { return m_contentSubview; }
    // The cross-fade, reused for every switch.
    const QAbstractAnimation *viewAnimation() const;

    bool crossFade() const { return m_crossFade; }
    void setCrossFade(bool crossFade) { m_crossFade = crossFade; }
    bool shiftSlowsAnimation() const { return m_shiftSlowsAnimation; }
    void setShiftSlowsAnimation(bool slows) { m_shiftSlowsAnimation = slows; }

    // Stores the pane under its label; a pane with a label already present
    // replaces the earlier one in its place.
    void addPreferencePane(std::unique_ptr<KFPreferencePane> pane);
    // The pane stored under the identifier, or null.
    KFPreferencePane *pane(const QString &identifier) const;
    // The labels of the panes, in the order they were added.
    QStringList toolbarDefaultItemIdentifiers() const;

    // Rebuilds the panes, creates the toolbar at the first showing, shows
    // the first pane without animation, centres the window at the first
    // showing and shows it.
    // When setupToolbar adds no pane, logs a critical error and shows
    // nothing.
    void showWindow();
    // Selects the pane's toolbar item, then displays the pane.
    void setPane(const QString &identifier, bool animate);
    void displayPaneForIdentifier(const QString &identifier, bool animate);
    // The window frame that fits the view below the title bar and toolbar,
    // with the current frame's top-left corner.
    QRect frameForView(const QWidget *view) const;

    QRect windowFrame() const;
    void setWindowFrame(const QRect &frame);

protected:
    // Subclasses add their panes here with addPreferencePane.
    virtual void setupToolbar() { }

private:
    static KFPreferenceController &sharedInstance(
        const std::function<std::unique_ptr<KFPreferenceController>()> &create);

    void createToolbar();
    void toggleActivePreferenceView(QAction *item);
    void crossFadeView(QWidget *oldView, QWidget *newView);
    void animationDidEnd();
    void removeSubview(QWidget *view);
    QList<QWidget *> subviews() const;
    int chromeHeight() const;

    std::unique_ptr<QWidget> m_window;
    QVBoxLayout *m_windowLayout = nullptr; // owned by the window
    QWidget *m_contentSubview = nullptr; // owned by the window
    QPointer<QToolBar> m_toolbar; // owned by the window
    QPointer<QActionGroup> m_toolbarItems; // owned by the toolbar
    std::unique_ptr<QParallelAnimationGroup> m_viewAnimation;
    // Declared after the window: panes and their views go first.
    std::vector<std::unique_ptr<KFPreferencePane>> m_panes;
    bool m_placed = false;
    bool m_crossFade = true;
    bool m_shiftSlowsAnimation = true;
};

template <class Controller> Controller *KFPreferenceController::sharedPreferenceController()
{
    return qobject_cast<Controller *>(&sharedInstance([] { return std::make_unique<Controller>(); }));
}
