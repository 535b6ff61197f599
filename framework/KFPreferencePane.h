#pragma once

#include "KFSharedDefaultsObserver.h"
#include "KestruneFoundationExport.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QAbstractButton;
class QAction;
class QComboBox;
class QLineEdit;
class QSpinBox;

// One page of the preference window: a label (also its identifier and the
// window title while it is shown), a toolbar icon, and a view loaded on
// first request from the interface form named by nibName.
//
// A subclass builds its form in loadNib, typically by setting up the class
// generated from it, and so reaches its controls by name at compile time.
// After the form is loaded the pane's awakeFromNib runs once, so that
// subclasses can connect their controls; viewDidLoad then runs on every
// request of the view.
//
// Controls can be bound to settings of the shared settings object: they
// show the setting's value whenever the view is requested and whenever the
// setting changes, however it was changed, and store the user's changes
// through the settings object, so that every observer hears of them.
class KESTRUNEFOUNDATION_EXPORT KFPreferencePane : public QObject, public KFSharedDefaultsObserver
{
    Q_OBJECT
public:
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

    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;

protected:
    // Builds the view from the form named by nibName; null when there is
    // no such form. The base has none.
    virtual std::unique_ptr<QWidget> loadNib() { return nullptr; }
    // Called once after the view was loaded from its form.
    virtual void awakeFromNib() { }
    // Called on every request of the view; the base does nothing.
    virtual void viewDidLoad() { }

    // Bindings of controls to settings. A check box holds a boolean, a
    // pop-up the index of its item, a number field an integer, a text field
    // a string, stored when editing ends. A value is stored only when it
    // differs from the one the setting holds.
    void bind(QAbstractButton *checkBox, const QString &key);
    void bind(QComboBox *popUp, const QString &key);
    void bind(QSpinBox *numberField, const QString &key);
    void bind(QLineEdit *textField, const QString &key);
    // Called after bound controls followed a change of their setting made
    // elsewhere; the base does nothing.
    virtual void boundValuesDidChange() { }

private:
    struct Binding
    {
        QString keyPath;
        std::function<void()> refresh;
    };

    void loadView();
    void addBinding(const QString &key, std::function<void()> refresh);

    QString m_label;
    QIcon m_image;
    std::unique_ptr<QWidget> m_view;
    QString m_nibName;
    QPointer<QAction> m_toolbarItem;
    std::vector<Binding> m_bindings;
};
