#include "FindBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

namespace {

QToolButton *makeButton(const QString &name, const QIcon &icon, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setIcon(icon);
    button->setToolTip(name);
    button->setAccessibleName(name);
    button->setAutoRaise(true);
    return button;
}

QIcon themeIcon(const QString &name, QStyle::StandardPixmap fallback, const QWidget &widget)
{
    return QIcon::fromTheme(name, widget.style()->standardIcon(fallback));
}

} // namespace

FindBar::FindBar(QWidget *parent)
    : QWidget(parent)
    , m_field(new QLineEdit(this))
    , m_regularExpression(new QToolButton(this))
    , m_status(new QLabel(this))
{
    setAccessibleName(tr("Find"));
    m_field->setPlaceholderText(tr("Find function"));
    m_field->setAccessibleName(tr("Find function"));
    m_field->setClearButtonEnabled(true);
    m_field->installEventFilter(this);

    m_regularExpression->setText(QStringLiteral(".*"));
    m_regularExpression->setCheckable(true);
    m_regularExpression->setAutoRaise(true);
    m_regularExpression->setToolTip(tr("Regular expression"));
    m_regularExpression->setAccessibleName(tr("Regular expression"));

    m_status->setTextFormat(Qt::PlainText);
    m_status->setAccessibleName(tr("Matches"));
    m_status->setMinimumWidth(m_status->fontMetrics().horizontalAdvance(QStringLiteral("888888 of 888888")));

    QToolButton *previous = makeButton(tr("Previous match"), themeIcon("go-up", QStyle::SP_ArrowUp, *this), this);
    QToolButton *next = makeButton(tr("Next match"), themeIcon("go-down", QStyle::SP_ArrowDown, *this), this);
    QToolButton *close
        = makeButton(tr("Close find bar"), themeIcon("window-close", QStyle::SP_TitleBarCloseButton, *this), this);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_field, 1);
    layout->addWidget(m_regularExpression);
    layout->addWidget(m_status);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(close);
    setFocusProxy(m_field);

    connect(m_field, &QLineEdit::textChanged, this, &FindBar::patternChanged);
    connect(m_regularExpression, &QToolButton::toggled, this, &FindBar::patternChanged);
    connect(previous, &QToolButton::clicked, this, &FindBar::findPreviousRequested);
    connect(next, &QToolButton::clicked, this, &FindBar::findNextRequested);
    connect(close, &QToolButton::clicked, this, &FindBar::closeRequested);
}

QString FindBar::pattern() const
{
    return m_field->text();
}

bool FindBar::isRegularExpression() const
{
    return m_regularExpression->isChecked();
}

void FindBar::setRegularExpression(bool regularExpression)
{
    m_regularExpression->setChecked(regularExpression);
}

void FindBar::activate()
{
    show();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

void FindBar::setStatus(const QString &text, bool isError)
{
    m_status->setText(text);
    QPalette colours = palette();
    if (isError)
        colours.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x20));
    m_status->setPalette(colours);
}

QString FindBar::status() const
{
    return m_status->text();
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (key->modifiers() & Qt::ShiftModifier)
                Q_EMIT findPreviousRequested();
            else
                Q_EMIT findNextRequested();
            return true;
        case Qt::Key_Escape:
            Q_EMIT closeRequested();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
