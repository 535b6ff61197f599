#pragma once

#include "Profile.h"

#include <QObject>
#include <QString>

#include <memory>
#include <string_view>

class CallIndex;
class MergedCallTree;
class DocumentWindow;

// Posted once per document at the end of its window's set-up, and once
// first thing when it is destroyed; the object is the document.
inline const QString VTCDocumentOpenedNotification = QStringLiteral("VTCDocumentOpened");
inline const QString VTCDocumentClosedNotification = QStringLiteral("VTCDocumentClosed");

// One open profile file: its location, the profile read from it, which a
// read of the file again replaces, and what its analysis needs of the whole
// tree. It owns its window, which it builds on request and which follows
// it by its signals; the document itself has no widgets.
class MyDocument final : public QObject
{
    Q_OBJECT
public:
    // The document of the file at `filePath`, showing `profile` (read).
    MyDocument(const QString &filePath, std::unique_ptr<Profile> profile, QObject *parent = nullptr);
    ~MyDocument() override;

    QString filePath() const { return m_filePath; }
    // The file's name.
    QString displayName() const;
    // What the window's title and the Window menu call the document: the
    // display name unless the registry sets another.
    QString title() const { return m_title; }
    void setTitle(const QString &title);
    int state() const { return m_profile->state(); }
    const Profile &profile() const { return *m_profile; }
    const ProfiledFunctionCall *rootFunction() const { return m_profile->rootFunction(); }
    // The profile's calls in pre-order, indexed when first needed.
    const CallIndex &callIndex();
    // The profile's call paths, merged from its calls when first needed.
    const MergedCallTree &mergedCallTree();

    // Puts `profile`, read again from the file, in place of the current one.
    void replaceProfile(std::unique_ptr<Profile> profile);

    // Builds the window once, then announces the document as opened.
    void makeWindowControllers();
    void showWindows();
    // Null until makeWindowControllers.
    DocumentWindow *window() const { return m_window.get(); }
    // Shows the function whose name is `name` in the window's summary of
    // the whole run (see DocumentWindow).
    bool showFunctionInSummary(std::string_view name);

Q_SIGNALS:
    // The profile was replaced. The previous one and its index are still
    // there while the signal is delivered, so that what shows them can
    // find its way into the new one.
    void profileReplaced();
    void titleChanged(const QString &title);
    // The window was closed by the user or the application.
    void windowClosed(MyDocument *document);
    void windowActivated(MyDocument *document);

private:
    QString m_filePath;
    QString m_title;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<CallIndex> m_callIndex;
    std::unique_ptr<MergedCallTree> m_mergedCallTree;
    // Declared last: the window goes before what it shows.
    std::unique_ptr<DocumentWindow> m_window;
};
