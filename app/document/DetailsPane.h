#pragma once

#include "MergedCallTree.h"

#include <KFSharedDefaultsObserver.h>

#include <QWidget>

class Formatter;
class Profile;
class ProfiledFunctionCall;
class QFormLayout;
class DetailField;
class QLabel;

// The detail fields of a document window: the selected call's function,
// file and line, its self and inclusive time and memory, each with its
// share of the calling function's, and beside the root's figures the
// profiler's own summary of the run. The times follow the unit and dash
// settings. Every field shows its whole text, wrapped to the pane's width;
// the pane scrolls when the lines outgrow its height.
class DetailsPane final : public QWidget, public KFSharedDefaultsObserver
{
    Q_OBJECT
public:
    explicit DetailsPane(QWidget *parent = nullptr);
    ~DetailsPane() override;

    // The profile the calls come from: the memory fields are there when it
    // records memory. Shows dashes until the next call.
    void showProfile(const Profile &profile);
    // Fills the fields from `call`, of the profile shown.
    void displayItem(const ProfiledFunctionCall &call);
    // Fills the fields from the call path `path` of `paths`, merged from
    // the profile shown, whose first call is `firstCall`: the totals over
    // its calls, their average and their number.
    void displayPath(const MergedCallTree &paths, quint32 path, const ProfiledFunctionCall &firstCall);
    // Fills the fields from the path `path` of the estimated call tree of
    // the profile shown, written per function: the path's estimated totals,
    // average and number of calls, and its function's file and first line
    // from the function graph.
    void displayEstimatedPath(quint32 path);
    // Sets every field to the dash.
    void clearFunctionMetadataDisplay();

    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;

private:
    DetailField *addField(const QString &name, const QString &label, const QString &accessibleName);
    // The figures of a path: totals, average per call, number of calls.
    void showPathFigures(const MergedCallTree &paths, quint32 path);

    Formatter &m_formatter;
    QFormLayout *m_form;
    DetailField *m_function;
    DetailField *m_file;
    DetailField *m_line;
    DetailField *m_selfTime;
    DetailField *m_inclusiveTime;
    DetailField *m_selfMemory;
    DetailField *m_inclusiveMemory;
    DetailField *m_profilerSummary;
    DetailField *m_calls;
    // Above the fields of a profile whose call paths are estimated.
    QLabel *m_estimatedNotice;
    const Profile *m_profile = nullptr;
    int m_memoryEvent = -1;
    const ProfiledFunctionCall *m_call = nullptr;
    // The path shown, when one is.
    const MergedCallTree *m_paths = nullptr;
    quint32 m_path = 0;
    // The estimated path shown, or MergedCallTree::none.
    quint32 m_estimatedPath = MergedCallTree::none;
};
