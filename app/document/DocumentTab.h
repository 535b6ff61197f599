#pragma once

#include "ProfiledFunctionCall.h"

#include <QWidget>

#include <QString>

#include <functional>
#include <optional>
#include <vector>

class FunctionModel;
class Profile;

// A place in a source file as the profile records it; line 0 for none.
struct SourceLocation
{
    QString path;
    quint32 line = 0;
};

// A page of a document window's tab view: it shows something of the call
// (or estimated call path) selected in the outline, and may ask the window
// to select another call or to list calls in the calls tab. The window gives every tab the same
// calls, so a new kind of tab needs nothing but a class of its own.
class DocumentTab : public QWidget
{
    Q_OBJECT
public:
    // Tells which functions find brings out.
    using Highlight = std::function<bool(const FunctionModel &)>;

    using QWidget::QWidget;

    // The title on the tab.
    virtual QString title() const = 0;
    // The profile the calls come from, shown first or read again: nothing
    // of the one before is shown any more.
    virtual void showProfile(const Profile &profile) = 0;
    // The call selected in the outline, or null.
    virtual void showCall(const ProfiledFunctionCall *call) = 0;
    // The path of the profile's estimated call tree selected in the outline
    // (a profile written per function records no calls); a tab that shows
    // only calls shows nothing.
    virtual void showEstimatedPath(quint32 path)
    {
        Q_UNUSED(path);
        showCall(nullptr);
    }
    // Brings out the functions `highlight` accepts; an empty one, none.
    virtual void highlight(const Highlight &) { }
    // Where the tab's selected row is in the source, for Open in Editor;
    // nothing when no row is selected or it names no file.
    virtual std::optional<SourceLocation> selectedLocation() const { return std::nullopt; }

Q_SIGNALS:
    // Asks for `call` to be selected in the outline.
    void callActivated(const ProfiledFunctionCall *call);
    // Asks for the path of the estimated call tree to be selected.
    void estimatedPathActivated(quint32 path);
    // Asks for `calls` to be listed in the calls tab, brought to the front.
    void callsActivated(const std::vector<const ProfiledFunctionCall *> &calls);
};
