#include "DetailField.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

namespace {

constexpr QChar breakMark(0x200b);
// A run longer than this without a break may break after any character.
constexpr qsizetype longestRun = 24;
// A text longer than this, which no profiler writes but a file may hold,
// shows its start and its end: laying out more would stall the window.
constexpr qsizetype longestShown = 2000;

} // namespace

DetailField::DetailField(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::ClickFocus);
    // The width comes from the pane; the height follows the wrapped lines.
    QSizePolicy policy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setMinimumWidth(1);
}

QString DetailField::withBreaks(const QString &text)
{
    QString broken;
    broken.reserve(text.size() + text.size() / 8);
    qsizetype start = 0;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar character = text[at];
        const bool separator = character == u'/' || character == u'\\'
            || (character == u':' && at > start && text[at - 1] == u':')
            || (character == u'>' && at > start && text[at - 1] == u'-');
        const bool last = at + 1 == text.size();
        if (!separator && !character.isSpace() && !last)
            continue;
        // The run up to here has no other place to break.
        const QStringView run = QStringView(text).sliced(start, at + 1 - start);
        if (run.size() > longestRun) {
            for (const QChar inRun : run.first(run.size() - 1))
                broken.append(inRun).append(breakMark);
            broken += run.back();
        } else {
            broken += run;
        }
        // Not before a space or at the end, where the line breaks anyway.
        if (separator && !last && !text[at + 1].isSpace())
            broken += breakMark;
        start = at + 1;
    }
    return broken;
}

void DetailField::setWholeText(const QString &text)
{
    m_whole = text;
    if (text.size() <= longestShown) {
        setText(withBreaks(text));
        return;
    }
    const qsizetype half = longestShown / 2;
    setText(withBreaks(text.first(half) + QChar(0x2026) + text.last(half)));
}

QString DetailField::wholeText() const
{
    return m_whole;
}

QString DetailField::selectedWholeText() const
{
    return selectedText().remove(breakMark);
}

void DetailField::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy) && hasSelectedText()) {
        QApplication::clipboard()->setText(selectedWholeText());
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
}

void DetailField::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    QAction *copy = menu.addAction(tr("&Copy"), this,
        [this] { QApplication::clipboard()->setText(hasSelectedText() ? selectedWholeText() : wholeText()); });
    copy->setShortcut(QKeySequence::Copy);
    menu.addAction(tr("Select All"), this, [this] { setSelection(0, int(text().size())); });
    menu.exec(event->globalPos());
}

void DetailField::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    // The selection a middle click pastes.
    QClipboard *clipboard = QApplication::clipboard();
    if (clipboard->supportsSelection() && hasSelectedText())
        clipboard->setText(selectedWholeText(), QClipboard::Selection);
}
