#pragma once

#include <KFPreferencePane.h>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// The watcher's settings: the watched directory, the custom file pattern,
// the open-file limit and whether the watcher starts at launch. Controls
// that depend on a check box are enabled only while it is checked.
class PreferencePaneSifter final : public KFPreferencePane
{
    Q_OBJECT
public:
    // Asks the user for a directory; an empty result means cancelled.
    using DirectoryChooser = std::function<QString(QWidget *parent)>;

    PreferencePaneSifter();

    // A directory dialog unless another chooser is given.
    void setDirectoryChooser(DirectoryChooser chooser);

    void fileMatchChecked();
    void maxFilesOpenChecked();
    // Lets the user choose the watched directory and stores it; cancelling
    // changes nothing.
    void directorySelectClicked();

protected:
    void awakeFromNib() override;
    void viewDidLoad() override;
    void boundValuesDidChange() override;

private:
    void markPattern();

    DirectoryChooser directoryChooser;
    // Controls of the loaded view, which the pane owns.
    QCheckBox *fileMatchCheckbox = nullptr;
    QLineEdit *fileMatchEdit = nullptr;
    QLabel *invalidPatternLabel = nullptr;
    QCheckBox *maxFilesCheckbox = nullptr;
    QSpinBox *maxFilesOpenEdit = nullptr;
    QComboBox *whenReachedDropDown = nullptr;
};
