#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QToolButton;

// The outline's find field: the pattern, a toggle that makes it a regular
// expression, where the search stands ("3 of 17"), buttons for the previous
// and the next match, and a close button. Enter finds the next match,
// Shift+Enter the previous, Escape closes the bar.
class FindBar final : public QWidget
{
    Q_OBJECT
public:
    explicit FindBar(QWidget *parent = nullptr);

    QString pattern() const;
    bool isRegularExpression() const;
    void setRegularExpression(bool regularExpression);
    // Shows the bar with the field focused and its text selected.
    void activate();
    // Plain text; an error is shown as one.
    void setStatus(const QString &text, bool isError = false);
    QString status() const;

    QLineEdit *field() const { return m_field; }

Q_SIGNALS:
    // The pattern or the regular-expression toggle changed.
    void patternChanged();
    void findNextRequested();
    void findPreviousRequested();
    void closeRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_field;
    QToolButton *m_regularExpression;
    QLabel *m_status;
};
