#pragma once

#include <KFPreferencePane.h>

#include <memory>

namespace Ui {
class PreferencesUpdates;
}

// The update settings: whether to check at every launch, and a button that
// checks at once.
class PreferencePaneSoftwareUpdate final : public KFPreferencePane
{
    Q_OBJECT
public:
    PreferencePaneSoftwareUpdate();
    ~PreferencePaneSoftwareUpdate() override;

    // The update image, drawn: a downward arrow on a green disc.
    static QIcon softwareUpdateImage();

Q_SIGNALS:
    // The Check Now button was clicked.
    void checkForUpdatesRequested();

protected:
    std::unique_ptr<QWidget> loadNib() override;
    void awakeFromNib() override;

private:
    std::unique_ptr<Ui::PreferencesUpdates> m_ui;
};
