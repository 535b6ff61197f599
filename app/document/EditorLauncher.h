#pragma once

#include "DocumentTab.h"

class AlertPresenter;
class QWidget;

// Opens a source file that a profile names at a line, for Open in Editor:
// the recorded path is taken through the path mappings of the settings,
// then opened with the editor command of the settings, run without a shell,
// or with the desktop's handler for the file when none is set. A failure
// is told through the alert presenter.
class EditorLauncher final
{
public:
    explicit EditorLauncher(AlertPresenter &alerts)
        : m_alerts(alerts)
    { }

    // False, after telling why, when the file could not be opened.
    bool open(QWidget *parent, const SourceLocation &location);

private:
    AlertPresenter &m_alerts;
};
