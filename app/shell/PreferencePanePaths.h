#pragma once

#include <KFPreferencePane.h>

class QTableWidget;

// Where the source files of profiles are: the command that opens a file at
// a line in an editor, and the path mappings, pairs of a recorded prefix
// and the local prefix it stands for, stored as "FROM=TO" texts.
class PreferencePanePaths final : public KFPreferencePane
{
    Q_OBJECT
public:
    PreferencePanePaths();

    // Adds a mapping for the folder of the recorded file `path`, or picks
    // the one there is for it, and starts editing its local prefix.
    void proposeMapping(const QString &path);

    QTableWidget *mappingTable() const { return m_table; }

protected:
    std::unique_ptr<QWidget> loadNib() override;
    void viewDidLoad() override;
    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;

private:
    void showMappings();
    void storeMappings();
    void addRow(const QString &recorded, const QString &local);

    QTableWidget *m_table = nullptr;
    // Set while the table is filled or stored, so that the one does not set
    // off the other.
    bool m_updating = false;
};
