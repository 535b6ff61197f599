#pragma once

#include "Profile.h"

#include <KFSharedDefaultsObserver.h>

#include <QObject>
#include <QString>

#include <memory>
#include <string_view>

class CallTreeModel;
class CallTreeView;
class CallsController;
class DocumentWindow;
class Formatter;
class ProfileFileData;
class ProfiledFunctionCall;
class QLineEdit;
class QTabWidget;
class SummaryController;

namespace Ui {
class MyDocument;
}

// Posted once per document at the end of its window's set-up, and once
// first thing when it is destroyed; the object is the document.
inline const QString VTCDocumentOpenedNotification = QStringLiteral("VTCDocumentOpened");
inline const QString VTCDocumentClosedNotification = QStringLiteral("VTCDocumentClosed");

// One open profile file: reads it into its profile, owns the profile and
// the window, and drives the window: the call-tree outline, the five detail
// fields of the selected call and the calls and summary tables.
class MyDocument final : public QObject, public KFSharedDefaultsObserver
{
    Q_OBJECT
public:
    explicit MyDocument(const QString &filePath, QObject *parent = nullptr);
    ~MyDocument() override;

    // Reads the profile; large data shows a progress window. False, with
    // the reason in errorString(), only when memory runs short or the
    // profile is too large.
    bool readFromData(QByteArrayView data);
    // The same from an opened file, read piece by piece; false also when the
    // file cannot be read to its end.
    bool readFromFile(ProfileFileData &file);
    QString errorString() const { return m_profile.errorString(); }

    // Builds the window once, then sets it up (windowControllerDidLoadNib).
    void makeWindowControllers();
    void showWindows();
    // Null until makeWindowControllers.
    DocumentWindow *window() const { return m_window.get(); }

    QString filePath() const { return m_filePath; }
    QString displayName() const;
    int state() const { return m_profile.state(); }
    const Profile &profile() const { return m_profile; }
    const ProfiledFunctionCall *rootFunction() const { return m_profile.rootFunction(); }

    void displayItem(const ProfiledFunctionCall &call);
    void clearFunctionMetadataDisplay();
    void outlineViewSelectionDidChange();
    // A double-click or Enter on an outline row: expands or collapses it;
    // nothing for a row without children or a negative row.
    void myOutlineViewDoubleClick(int clickedRow);
    // The same on a summary row: lists that function's calls in the calls
    // table and brings it to the front.
    void summaryRowActivated(int row);
    // The same on a calls row: expands the call's ancestors in the outline
    // and selects it there.
    void callsRowActivated(int row);
    // Selects the root in the outline and the summary's row of the function
    // whose name is `name` (as the profile writes it), scrolled into view
    // and the summary in front, and brings the window forward; false, with
    // the root selected, when no such row is shown.
    bool showFunctionInSummary(std::string_view name);
    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;

    // The call of the outline's selected row, or null.
    const ProfiledFunctionCall *selectedCall() const;

    // The window's parts (valid once the window is built).
    CallTreeView *outlineView() const;
    CallTreeModel *outlineModel() const { return m_outlineModel.get(); }
    CallsController *callsTab() const { return m_callsTab.get(); }
    SummaryController *summaryTab() const { return m_summaryTab.get(); }
    QTabWidget *tabView() const;
    QLineEdit *functionNameTextField() const;
    QLineEdit *fileNameTextField() const;
    QLineEdit *lineNumberTextField() const;
    QLineEdit *selfTimeTextField() const;
    QLineEdit *inclusiveTimeTextField() const;

Q_SIGNALS:
    // The window was closed by the user or the application.
    void windowClosed(MyDocument *document);
    void windowActivated(MyDocument *document);

private:
    void windowControllerDidLoadNib();

    Formatter &m_formatter;
    QString m_filePath;
    Profile m_profile;
    std::unique_ptr<CallTreeModel> m_outlineModel;
    std::unique_ptr<CallsController> m_callsTab;
    std::unique_ptr<SummaryController> m_summaryTab;
    std::unique_ptr<Ui::MyDocument> m_ui;
    // Declared last: the views go before the models they show.
    std::unique_ptr<DocumentWindow> m_window;
};
