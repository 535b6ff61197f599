#pragma once

#include "KestruneFoundationExport.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;

// One page of the preference window: a label (also its identifier and the
// window title while it is shown), a toolbar icon, and a view loaded on
// first request from the interface form named by nibName.
//
// Interface forms are found by name in a process-wide registry that the
// application fills (registerNib). After a form is loaded the pane's
// awakeFromNib runs once, so that subclasses can look up their controls by
// object name and connect them; viewDidLoad then runs on every request of
// the view.
class KESTRUNEFOUNDATION_EXPORT KFPreferencePane : public QObject
{
    Q_OBJECT
public:
    using NibLoader = std::function<std::unique_ptr<QWidget>()>;

    KFPreferencePane();
    ~KFPreferencePane() override;

    QString label() const { return m_label; }
    void setLabel(const QString &label) { m_label = label; }
    QIcon image() const { return m_image; }
    void setImage(const QIcon &image) { m_image = image; }
    QString nibName() const { return m_nibName; }
    void setNibName(const QString &nibName) { m_nibName = nibName; }

    // Loads the view on first request (a blank 480 by 5 view, with a
    // warning, when the form cannot be found), then calls viewDidLoad.
    QWidget *view();
    // Replaces the pane's view; the pane owns it.
    void setView(std::unique_ptr<QWidget> view);
    // The view if it was loaded, without loading it or calling viewDidLoad.
    QWidget *loadedView() const { return m_view.get(); }

    // The pane's toolbar item, created on first request from the label and
    // image of that moment. The toolbar that shows it takes it over, so it
    // outlives the pane.
    QAction *toolbarItem();

    // Makes the form with this name loadable by every pane; a second
    // registration under the same name replaces the first.
    static void registerNib(const QString &nibName, NibLoader loader);

protected:
    // Called once after the view was loaded from its form.
    virtual void awakeFromNib() { }
    // Called on every request of the view; the base does nothing.
    virtual void viewDidLoad() { }

    // The control of the loaded view with this object name.
    template <class Control> Control *outlet(const char *objectName) const;

private:
    void loadView();

    QString m_label;
    QIcon m_image;
    std::unique_ptr<QWidget> m_view;
    QString m_nibName;
    QPointer<QAction> m_toolbarItem;
};

template <class Control> Control *KFPreferencePane::outlet(const char *objectName) const
{
    Control *control = m_view ? m_view->findChild<Control *>(QLatin1String(objectName)) : nullptr;
    Q_ASSERT_X(control, "KFPreferencePane::outlet", objectName);
    return control;
}
