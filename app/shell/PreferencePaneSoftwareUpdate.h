#pragma once

#include <KFPreferencePane.h>

// The update settings: whether to check at every launch, and a button that
// checks at once.
class PreferencePaneSoftwareUpdate final : public KFPreferencePane
{
    Q_OBJECT
public:
    PreferencePaneSoftwareUpdate();

    // Asks for an update check, as the Check Now button does.
    void checkNowClicked();

    // The update image, drawn: a downward arrow on a green disc.
    static QIcon softwareUpdateImage();

Q_SIGNALS:
    void checkForUpdatesRequested();

protected:
    void awakeFromNib() override;
};
