#pragma once

#include <KFPreferencePane.h>

#include <functional>
#include <memory>

namespace Ui {
class PreferencesSifter;
}

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
    ~PreferencePaneSifter() override;

    // A directory dialog unless another chooser is given.
    void setDirectoryChooser(DirectoryChooser chooser);

protected:
    std::unique_ptr<QWidget> loadNib() override;
    void awakeFromNib() override;
    void viewDidLoad() override;
    void boundValuesDidChange() override;

private:
    void fileMatchChecked();
    void maxFilesOpenChecked();
    void markPattern();
    // Lets the user choose the watched directory and stores it; cancelling
    // changes nothing.
    void directorySelectClicked();

    DirectoryChooser m_directoryChooser;
    std::unique_ptr<Ui::PreferencesSifter> m_ui;
};
