#include "MessageBoxAlertPresenter.h"

#include "DisplayText.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QMessageBox>
#include <QTextEdit>

#include <algorithm>

namespace {

// Paths up to this long are never broken across lines, at a slash or
// anywhere else; longer ones wrap where they must.
constexpr qsizetype unbrokenPathLength = 100;
// The list of failures shows this many characters of a line before it scrolls.
constexpr qsizetype listColumns = 90;

// `message` as rich text, `path` within it kept on one line.
QString withPathUnbroken(const QString &message, const QString &path)
{
    const QString escaped = message.toHtmlEscaped();
    if (path.size() > unbrokenPathLength)
        return escaped;
    QString unbroken = escaped;
    return unbroken.replace(
        path.toHtmlEscaped(), QStringLiteral("<span style=\"white-space:pre\">%1</span>").arg(path.toHtmlEscaped()));
}

} // namespace

MessageBoxAlertPresenter::MessageBoxAlertPresenter(QObject *parent)
    : QObject(parent)
{
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(100);
    connect(&m_refreshTimer, &QTimer::timeout, this, &MessageBoxAlertPresenter::refreshBox);
}

// The box on screen stays there until the user closes it.
MessageBoxAlertPresenter::~MessageBoxAlertPresenter() = default;

QMessageBox *MessageBoxAlertPresenter::currentBox() const
{
    return m_box;
}

void MessageBoxAlertPresenter::showWarning(QWidget *parent, const QString &message, const QString &informativeText)
{
    const auto same = [&](const Alert &alert) {
        return alert.failures.isEmpty() && alert.message == message && alert.informativeText == informativeText;
    };
    if ((m_box && same(m_shown)) || std::any_of(m_waiting.begin(), m_waiting.end(), same))
        return;
    enqueue({ parent, message, informativeText, {} });
}

void MessageBoxAlertPresenter::showOpenFailure(QWidget *parent, const QString &path, const QString &reason)
{
    const Failure failure { path, reason };
    if (m_box && !m_shown.failures.isEmpty()) {
        if (!m_shown.failures.contains(failure)) {
            m_shown.failures.append(failure);
            m_refreshTimer.start();
        }
        return;
    }
    const auto waiting = std::find_if(
        m_waiting.begin(), m_waiting.end(), [](const Alert &alert) { return !alert.failures.isEmpty(); });
    if (waiting == m_waiting.end())
        enqueue({ parent, {}, {}, { failure } });
    else if (!waiting->failures.contains(failure))
        waiting->failures.append(failure);
}

void MessageBoxAlertPresenter::enqueue(Alert alert)
{
    m_waiting.push_back(std::move(alert));
    if (!m_box)
        showNext();
}

void MessageBoxAlertPresenter::showNext()
{
    if (m_waiting.empty())
        return;
    m_shown = std::move(m_waiting.front());
    m_waiting.pop_front();
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Velotrace"), QString(), QMessageBox::Ok,
        m_shown.parent ? m_shown.parent->window() : nullptr);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    m_box = box;
    refreshBox();
    connect(box, &QDialog::finished, this, [this] {
        m_box = nullptr;
        m_refreshTimer.stop();
        // Not from within the closing box.
        QMetaObject::invokeMethod(this, &MessageBoxAlertPresenter::showNext, Qt::QueuedConnection);
    });
    box->show();
}

void MessageBoxAlertPresenter::refreshBox()
{
    if (!m_box)
        return;
    QMessageBox &box = *m_box;
    const QList<Failure> &failures = m_shown.failures;
    if (failures.isEmpty()) {
        DisplayText::setMessageBoxTexts(box, m_shown.message, m_shown.informativeText);
        return;
    }
    box.setTextFormat(Qt::RichText);
    if (failures.size() == 1) {
        const Failure &only = failures.first();
        box.setText(withPathUnbroken(openFailureMessage(only.path), only.path));
        box.setInformativeText(Qt::convertFromPlainText(only.reason));
        return;
    }
    const bool oneReason = std::all_of(failures.begin(), failures.end(),
        [&](const Failure &failure) { return failure.reason == failures.first().reason; });
    box.setText(tr("%n files could not be opened.", nullptr, int(failures.size())).toHtmlEscaped());
    box.setInformativeText(
        Qt::convertFromPlainText(oneReason ? failures.first().reason : tr("The reason for each is listed below.")));
    QStringList lines;
    qsizetype longest = 0;
    for (const Failure &failure : failures) {
        lines.append(failure.path + QStringLiteral(" \u2014 ") + failure.reason);
        longest = std::max(longest, lines.last().size());
    }
    // In the order of the paths, whatever order the failures came in.
    lines.sort();
    const QString details = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    const bool firstList = box.detailedText().isEmpty();
    box.setDetailedText(details);
    auto *list = box.findChild<QTextEdit *>();
    if (!list)
        return;
    // As wide as the lines need, within reason.
    list->setMinimumWidth(
        int(std::min<qsizetype>(longest + 4, listColumns)) * QFontMetrics(list->font()).averageCharWidth());
    if (!firstList)
        return;
    list->setLineWrapMode(QTextEdit::NoWrap);
    // The list shows at once, a path to a line.
    for (QAbstractButton *button : box.buttons()) {
        if (box.buttonRole(button) == QMessageBox::ActionRole)
            button->click();
    }
}
