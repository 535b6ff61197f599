#pragma once

#include <QFrame>

class QLabel;

// A notice across the top of a document's window that the file changed
// while it was read, so that what is shown may be partial or mixed, with a
// button that reads it again and one that dismisses the notice.
class ChangedFileNotice final : public QFrame
{
    Q_OBJECT
public:
    explicit ChangedFileNotice(QWidget *parent = nullptr);

Q_SIGNALS:
    void reloadRequested();

private:
    QLabel *m_text;
};
