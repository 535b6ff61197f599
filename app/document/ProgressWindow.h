#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class Progress;
}

// The window shown while a large profile is read: a status line, a bar and
// a Cancel button. It is not modal: the other windows stay usable while the
// profile is read on a thread of its own. Closing it cancels like the
// button.
class ProgressWindow final : public QDialog
{
    Q_OBJECT
public:
    // Steps of the bar from empty to full.
    static constexpr int barSteps = 1000;

    explicit ProgressWindow(QWidget *parent = nullptr);
    ~ProgressWindow() override;

    void setStatusLine(const QString &text);
    // The share done, from 0 to 1.
    void setProgress(double fraction);

    // Tells of the wish to cancel; the owner closes the window once the read
    // has ended.
    void reject() override;

Q_SIGNALS:
    // Cancel, Escape or the window's close button.
    void cancelled();

private:
    std::unique_ptr<Ui::Progress> m_ui;
};
