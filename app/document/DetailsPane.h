#pragma once

#include <KFSharedDefaultsObserver.h>

#include <QWidget>

class Formatter;
class MergedCallTree;
class Profile;
class ProfiledFunctionCall;
class QFormLayout;
class QLineEdit;

// The detail fields of a document window: the selected call's function,
// file and line, its self and inclusive time and memory, each with its
// share of the calling function's, and beside the root's figures the
// profiler's own summary of the run. The times follow the unit and dash
// settings.
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
    // Sets every field to the dash.
    void clearFunctionMetadataDisplay();

    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;

private:
    QLineEdit *addField(const QString &name, const QString &label, const QString &accessibleName);

    Formatter &m_formatter;
    QFormLayout *m_form;
    QLineEdit *m_function;
    QLineEdit *m_file;
    QLineEdit *m_line;
    QLineEdit *m_selfTime;
    QLineEdit *m_inclusiveTime;
    QLineEdit *m_selfMemory;
    QLineEdit *m_inclusiveMemory;
    QLineEdit *m_profilerSummary;
    QLineEdit *m_calls;
    const Profile *m_profile = nullptr;
    int m_memoryEvent = -1;
    const ProfiledFunctionCall *m_call = nullptr;
    // The path shown, when one is.
    const MergedCallTree *m_paths = nullptr;
    quint32 m_path = 0;
};
