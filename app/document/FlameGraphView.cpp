#include "FlameGraphView.h"

#include "CallTreeMerger.h"
#include "DialogFolder.h"
#include "FlameGraphColours.h"
#include "FlameGraphToolTip.h"
#include "FunctionModel.h"
#include "HiddenCallRows.h"
#include "MessageBoxAlertPresenter.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"

#include <QBuffer>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHelpEvent>
#include <QImageWriter>
#include <QMenu>
#include <QPainter>
#include <QSaveFile>
#include <QScrollBar>
#include <QSvgGenerator>
#include <QToolTip>

#include <algorithm>

namespace {

constexpr int textPadding = 3;

// `colour` taken `amount` of the way towards `other`.
QColor blend(const QColor &colour, const QColor &other, double amount)
{
    return QColor::fromRgbF(float(colour.redF() + (other.redF() - colour.redF()) * amount),
        float(colour.greenF() + (other.greenF() - colour.greenF()) * amount),
        float(colour.blueF() + (other.blueF() - colour.blueF()) * amount));
}

// Diagonal lines across `rect`, cut at its edges by hand, so that pictures
// saved as SVG show them as the screen does.
void hatch(QPainter &painter, const QRect &rect, const QColor &colour)
{
    constexpr int spacing = 4;
    painter.setPen(QPen(colour, 1.0));
    const int height = rect.height();
    for (int start = rect.left() - height; start <= rect.right(); start += spacing) {
        // From (start, bottom) up to (start + height, top).
        const int from = std::max(start, rect.left());
        const int to = std::min(start + height, rect.right());
        if (from < to)
            painter.drawLine(from, rect.bottom() - (from - start), to, rect.bottom() - (to - start));
    }
}

} // namespace

FlameGraphView::FlameGraphView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setAccessibleName(tr("Flame graph"));
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

FlameGraphView::~FlameGraphView() = default;

const Profile *FlameGraphView::profile() const
{
    return m_call ? &m_call->function().profile() : m_estimatedProfile;
}

const FunctionModel &FlameGraphView::functionOf(quint32 call) const
{
    return profile()->function(m_layout.functionId(call));
}

void FlameGraphView::setTreeShape(const MergedCallTree *paths, ChildOrder order)
{
    if (paths == m_paths && order == m_order)
        return;
    m_paths = paths;
    m_order = order;
    invalidate();
}

void FlameGraphView::setHiddenShare(double share)
{
    if (share == m_hiddenShare)
        return;
    m_hiddenShare = share;
    invalidate();
}

void FlameGraphView::setCall(const ProfiledFunctionCall *call)
{
    if (call == m_call && !m_estimatedProfile)
        return;
    m_call = call;
    m_estimatedProfile = nullptr;
    showTop();
}

void FlameGraphView::setEstimatedPath(const Profile &profile, quint32 path)
{
    if (!m_call && &profile == m_estimatedProfile && path == m_estimatedPath)
        return;
    m_call = nullptr;
    m_estimatedProfile = &profile;
    m_estimatedPath = path;
    showTop();
}

void FlameGraphView::showTop()
{
    if (profile() != m_coloursProfile) {
        m_coloursProfile = profile();
        m_colours.clear();
        m_matches.clear();
    }
    verticalScrollBar()->setValue(0);
    invalidate();
}

void FlameGraphView::setEvent(int event)
{
    if (event == m_event)
        return;
    m_event = event;
    invalidate();
}

void FlameGraphView::setHighlight(Highlight highlight)
{
    m_highlight = std::move(highlight);
    m_matches.clear();
    viewport()->update();
}

bool FlameGraphView::isDimmed(const FunctionModel &function)
{
    if (!m_highlight)
        return false;
    if (m_matches.empty())
        m_matches.resize(size_t(function.profile().functionCount()), 0);
    quint8 &match = m_matches[function.id()];
    if (match == 0)
        match = m_highlight(function) ? 1 : 2;
    return match == 2;
}

void FlameGraphView::invalidate()
{
    m_layoutValid = false;
    m_current = noBar;
    m_pressed = noBar;
    viewport()->update();
}

int FlameGraphView::rowHeight() const
{
    return fontMetrics().height() + 6;
}

void FlameGraphView::layOutRows(int rows)
{
    if (!m_layoutValid) {
        m_layoutWidth = viewport()->width();
        quint32 path = m_estimatedProfile ? m_estimatedPath : MergedCallTree::none;
        if (m_call && m_paths)
            path = CallTreeMerger::pathOfCall(*m_paths, m_call->tree(), m_call->callNumber());
        if (m_paths && path < m_paths->size() && m_event < m_paths->eventCount())
            m_layout.reset(*m_paths, path, m_event, double(m_layoutWidth), m_order, m_hiddenShare);
        else if (m_call && m_event < m_call->tree().eventCount() && !m_paths)
            m_layout.reset(
                m_call->tree(), m_call->callNumber(), m_event, double(m_layoutWidth), m_order, m_hiddenShare);
        else
            m_layout = FlameGraphLayout();
        m_layoutValid = true;
        m_current = m_layout.rowCount() > 0 ? 0 : noBar;
    }
    m_layout.layOutRows(rows);
    const int height = m_layout.rowCount() * rowHeight();
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, std::max(0, height - viewport()->height()));
    bar->setPageStep(viewport()->height());
    bar->setSingleStep(rowHeight());
}

int FlameGraphView::visibleRowEnd() const
{
    return (verticalScrollBar()->value() + viewport()->height()) / rowHeight() + 1;
}

const FlameGraphLayout &FlameGraphView::bars()
{
    // A page more than is shown, so that the scroll bar reaches further.
    layOutRows(visibleRowEnd() + viewport()->height() / rowHeight());
    return m_layout;
}

const FlameGraphLayout::Bar *FlameGraphView::barAt(QPoint position)
{
    const int y = position.y() + verticalScrollBar()->value();
    if (y < 0 || position.x() < 0)
        return nullptr;
    return bars().barAt(y / rowHeight(), double(position.x()) + 0.5);
}

QRect FlameGraphView::barRect(const FlameGraphLayout::Bar &bar) const
{
    const int left = qRound(bar.x);
    const int right = qRound(bar.right());
    // A pixel of background between neighbours and rows.
    const int width = right - left > 2 ? right - left - 1 : right - left;
    return QRect(left, int(bar.depth) * rowHeight() - verticalScrollBar()->value(), width, rowHeight() - 1);
}

const FlameGraphLayout::Bar *FlameGraphView::currentBar()
{
    bars();
    return m_current == noBar ? nullptr : &m_layout.bar(m_current);
}

QColor FlameGraphView::colourOf(quint32 call)
{
    const FunctionModel &function = functionOf(call);
    if (m_colours.empty())
        m_colours.resize(size_t(function.profile().functionCount()), 0);
    QRgb &colour = m_colours[function.id()];
    if (colour == 0)
        colour = FlameGraphColours::colourOf(function).rgb();
    return QColor::fromRgb(colour);
}

void FlameGraphView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    // Laying out may shorten the scroll range, and so move the view.
    const int rows = bars().rowCount();
    const int first = verticalScrollBar()->value() / rowHeight();
    const int end = std::min(visibleRowEnd(), rows);
    paintRows(painter, first, end, -verticalScrollBar()->value());
    const FlameGraphLayout::Bar *current = m_current == noBar ? nullptr : &m_layout.bar(m_current);
    if (hasFocus() && current && int(current->depth) >= first && int(current->depth) < end) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(barRect(*current)).adjusted(1.0, 1.0, -1.0, -1.0));
    }
}

void FlameGraphView::paintRows(QPainter &painter, int firstRow, int endRow, int top)
{
    for (int row = firstRow; row < endRow; ++row) {
        for (const FlameGraphLayout::Bar &bar : m_layout.row(row)) {
            QRect rect = barRect(bar);
            rect.moveTop(row * rowHeight() + top);
            if (rect.width() > 0)
                paintBar(painter, bar, rect);
        }
    }
}

void FlameGraphView::paintBar(QPainter &painter, const FlameGraphLayout::Bar &bar, const QRect &rect)
{
    const QColor background = palette().color(QPalette::Base);
    const FunctionModel &function = functionOf(bar.call);
    QColor colour = colourOf(bar.call);
    const bool dimmed = isDimmed(function);
    if (dimmed)
        colour = blend(colour, background, 0.7);
    if (bar.isBlock()) {
        painter.fillRect(rect, blend(colour, background, 0.6));
        hatch(painter, rect, colour.darker(115));
        if (!bar.hidden)
            return;
    } else {
        painter.fillRect(rect, colour);
    }
    // Text only where a few characters fit.
    const QFontMetrics metrics = painter.fontMetrics();
    const int room = rect.width() - 2 * textPadding;
    if (room < 3 * metrics.averageCharWidth())
        return;
    // A bar of many calls says how many.
    const quint64 calls = m_layout.callCount(bar.call);
    const QString label = bar.hidden ? HiddenCallRows<CallTree>::label(bar.hiddenCalls, std::nullopt)
        : calls > 1                  ? QStringLiteral("%1 \u00d7%2").arg(function.name()).arg(calls)
                                     : function.name();
    const QString text = metrics.elidedText(label, Qt::ElideRight, room);
    if (text.size() < 2)
        return;
    painter.setPen(dimmed ? blend(Qt::black, background, 0.5) : QColor(Qt::black));
    painter.drawText(
        rect.adjusted(textPadding, 0, -textPadding, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

QString FlameGraphView::toolTipText(const FlameGraphLayout::Bar &bar) const
{
    return FlameGraphToolTip::text(m_layout, *profile(), m_event, bar);
}

void FlameGraphView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (viewport()->width() != m_layoutWidth)
        invalidate();
    else
        bars();
}

void FlameGraphView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        invalidate();
}

void FlameGraphView::activate(const FlameGraphLayout::Bar &bar)
{
    // A path estimated from a function graph has no call.
    const quint32 recorded = m_layout.recordedCall(bar.call);
    if (recorded == MergedCallTree::none)
        Q_EMIT estimatedPathActivated(bar.call);
    else
        Q_EMIT callActivated(&m_call->tree().call(recorded));
}

void FlameGraphView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const FlameGraphLayout::Bar *bar = barAt(event->position().toPoint());
    m_pressed = bar ? m_layout.indexOf(*bar) : noBar;
    if (bar)
        moveCurrent(bar);
}

void FlameGraphView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    // A click: pressed and released on the same bar.
    const FlameGraphLayout::Bar *bar = barAt(event->position().toPoint());
    const size_t pressed = std::exchange(m_pressed, noBar);
    if (bar && pressed != noBar && m_layout.indexOf(*bar) == pressed)
        activate(*bar);
}

void FlameGraphView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The click before it has activated the bar already; the graph may
    // have changed under the pointer since.
    m_pressed = noBar;
    event->accept();
}

void FlameGraphView::moveCurrent(const FlameGraphLayout::Bar *bar)
{
    if (!bar)
        return;
    m_current = m_layout.indexOf(*bar);
    // Into view, with its row laid out.
    const int top = int(bar->depth) * rowHeight();
    QScrollBar *scroll = verticalScrollBar();
    if (top < scroll->value())
        scroll->setValue(top);
    else if (top + rowHeight() > scroll->value() + viewport()->height())
        scroll->setValue(top + rowHeight() - viewport()->height());
    viewport()->update();
}

void FlameGraphView::keyPressEvent(QKeyEvent *event)
{
    const FlameGraphLayout::Bar *current = currentBar();
    if (!current || (event->modifiers() & ~Qt::KeypadModifier)) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const int row = int(current->depth);
    const std::span<const FlameGraphLayout::Bar> rowBars = m_layout.row(row);
    const size_t place = size_t(current - rowBars.data());
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        activate(*current);
        return;
    case Qt::Key_Left:
        moveCurrent(place > 0 ? &rowBars[place - 1] : nullptr);
        return;
    case Qt::Key_Right:
        moveCurrent(place + 1 < rowBars.size() ? &rowBars[place + 1] : nullptr);
        return;
    case Qt::Key_Up:
        moveCurrent(m_layout.barAt(row - 1, current->x));
        return;
    case Qt::Key_Down:
        // The row below may not be laid out yet.
        layOutRows(row + 2);
        moveCurrent(m_layout.firstBarBelow(m_layout.bar(m_current)));
        return;
    case Qt::Key_Home:
        moveCurrent(&m_layout.bar(0));
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

bool FlameGraphView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        if (const FlameGraphLayout::Bar *bar = barAt(help->pos()))
            QToolTip::showText(help->globalPos(), toolTipText(*bar), viewport(), barRect(*bar));
        else
            QToolTip::hideText();
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void FlameGraphView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    QAction *svg = menu.addAction(tr("Save as SVG\u2026"));
    QAction *png = menu.addAction(tr("Save as PNG\u2026"));
    svg->setEnabled(profile());
    png->setEnabled(profile());
    // Offered only while find brings out functions.
    QAction *svgHighlighted = nullptr;
    QAction *pngHighlighted = nullptr;
    if (m_highlight && profile()) {
        menu.addSeparator();
        svgHighlighted = menu.addAction(tr("Save as SVG with Find\u2019s Highlight\u2026"));
        pngHighlighted = menu.addAction(tr("Save as PNG with Find\u2019s Highlight\u2026"));
    }
    QAction *chosen = menu.exec(event->globalPos());
    if (chosen && chosen != svgHighlighted && chosen != pngHighlighted)
        saveFromMenu(chosen == svg, false);
    else if (chosen)
        saveFromMenu(chosen == svgHighlighted, true);
}

void FlameGraphView::saveFromMenu(bool svg, bool withHighlight)
{
    const QString suffix = svg ? QStringLiteral(".svg") : QStringLiteral(".png");
    QString fileName = QFileDialog::getSaveFileName(this, tr("Save Flame Graph"),
        QDir(DialogFolder::startFor(this)).filePath(QStringLiteral("flame-graph") + suffix),
        svg ? tr("SVG images (*.svg)") : tr("PNG images (*.png)"));
    if (fileName.isEmpty())
        return;
    DialogFolder::remember(fileName);
    if (!fileName.endsWith(suffix, Qt::CaseInsensitive))
        fileName += suffix;
    QString reason;
    if (!saveImage(fileName, &reason, withHighlight)) {
        MessageBoxAlertPresenter().showWarning(this,
            tr("The flame graph could not be saved as \u201c%1\u201d.").arg(QFileInfo(fileName).fileName()), reason);
    }
}

bool FlameGraphView::saveImage(const QString &fileName, QString *errorString, bool withHighlight)
{
    layOutRows(maximumSavedRows);
    const int rows = std::min(m_layout.rowCount(), maximumSavedRows);
    const QSize size(viewport()->width(), rows * rowHeight());
    if (!profile() || size.isEmpty()) {
        *errorString = tr("There is no graph to save.");
        return false;
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const auto paint = [&](QPaintDevice &device) {
        QPainter painter(&device);
        painter.setFont(font());
        painter.fillRect(QRect(QPoint(), size), palette().color(QPalette::Base));
        // The highlight is set aside while the picture is painted, the
        // matches it found with it.
        Highlight kept;
        std::vector<quint8> keptMatches;
        if (!withHighlight) {
            std::swap(kept, m_highlight);
            std::swap(keptMatches, m_matches);
        }
        paintRows(painter, 0, rows, 0);
        if (!withHighlight) {
            m_highlight = std::move(kept);
            m_matches = std::move(keptMatches);
        }
    };
    if (fileName.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(size);
        // Pixels of this screen, so that the picture has the size shown.
        generator.setResolution(logicalDpiX());
        generator.setViewBox(QRect(QPoint(), size));
        generator.setTitle(functionOf(m_layout.bar(0).call).name());
        paint(generator);
    } else {
        QImage image(size, QImage::Format_RGB32);
        paint(image);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(image)) {
            *errorString = writer.errorString();
            return false;
        }
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(buffer.data()) != buffer.size() || !file.commit()) {
        *errorString = file.errorString();
        return false;
    }
    return true;
}
