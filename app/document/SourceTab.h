#pragma once

#include "DocumentTab.h"
#include "MergedCallTree.h"

#include <KFSharedDefaultsObserver.h>

#include <QFutureWatcher>

#include <memory>

class LineCosts;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTableView;
class SourceLinesModel;
class SourceText;

// The source tab: the file of the selected call read with the path
// mappings applied, its lines beside their costs of the chosen event,
// shaded by their share, scrolled to the call's line (the hottest line when
// the call names none). The costs are the whole profile's, or only those
// below the selected call. Files are read, and the costs by line worked
// out, off the window's thread. A file that cannot be read is named with the
// reason, and offers to set up a path mapping.
class SourceTab final : public DocumentTab, public KFSharedDefaultsObserver
{
    Q_OBJECT
public:
    explicit SourceTab(QWidget *parent = nullptr);
    ~SourceTab() override;

    QString title() const override { return tr("Source"); }
    void showProfile(const Profile &profile) override;
    void showCall(const ProfiledFunctionCall *call) override;
    // The file of the path's function at its first line.
    void showEstimatedPath(quint32 path) override;
    std::optional<SourceLocation> selectedLocation() const override;

    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;

    SourceLinesModel &linesModel() const { return *m_model; }
    QTableView &linesView() const { return *m_view; }
    // The message shown in place of the lines, empty when they show.
    QString message() const;

    // Selects the next (previous) line with a cost.
    void nextHotLine();
    void previousHotLine();

Q_SIGNALS:
    // Set Up Path Mapping was clicked for the recorded path `path`.
    void pathMappingRequested(const QString &path);
    // The file at the recorded path `path` was asked to open at `line`.
    void openRequested(const QString &path, quint32 line);
    // A file was shown or its failure told.
    void sourceShown();

private:
    // What a reading job hands back.
    struct Loaded
    {
        int event = 0;
        bool belowCall = false;
        quint32 source = 0;
        quint32 line = 0;
        QString localPath;
        std::shared_ptr<const SourceText> text;
        QString error;
        std::shared_ptr<const LineCosts> costs;
    };

    void reload();
    void loaded();
    void showMessage(const QString &text, bool offerMapping);
    void selectRow(int row);
    void waitForJobs();

    const Profile *m_profile = nullptr;
    const ProfiledFunctionCall *m_call = nullptr;
    // The estimated path shown in place of a call, or none.
    quint32 m_estimatedPath = MergedCallTree::none;
    // The costs of the whole profile, kept for the event they are of.
    std::shared_ptr<const LineCosts> m_costs;
    int m_costsEvent = -1;
    QString m_recordedPath;
    SourceLinesModel *m_model;
    QLabel *m_pathLabel;
    QComboBox *m_eventChooser;
    QCheckBox *m_belowCall;
    QPushButton *m_previousButton;
    QPushButton *m_nextButton;
    QPushButton *m_editorButton;
    QStackedWidget *m_pages;
    QTableView *m_view;
    QLabel *m_message;
    QPushButton *m_mappingButton;
    QFutureWatcher<Loaded> m_watcher;
    // Jobs still running that read the profile shown.
    QList<QFuture<Loaded>> m_jobs;
};
