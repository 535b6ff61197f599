#pragma once

#include "FlameGraphLayout.h"

#include <QAbstractScrollArea>
#include <QRgb>

#include <functional>
#include <vector>

class FunctionModel;
class MergedCallTree;
class Profile;
class ProfiledFunctionCall;

// Draws a flame graph of one call and answers what is where: each bar in
// its function's colour with as much of the name as fits, blocks of calls
// too narrow to draw alone or hidden as costing little hatched (the latter
// saying how many), a tooltip on every bar. A click, a
// double-click or Enter on a bar activates its call (for a block, the
// caller); the arrow keys move between bars. Rows are laid out as they
// come into view. Its context menu saves the graph as SVG or PNG.
class FlameGraphView final : public QAbstractScrollArea
{
    Q_OBJECT
public:
    // Tells which functions to bring out.
    using Highlight = std::function<bool(const FunctionModel &)>;
    // The most rows a saved picture holds.
    static constexpr int maximumSavedRows = 512;

    explicit FlameGraphView(QWidget *parent = nullptr);
    ~FlameGraphView() override;

    // The call at the top; null shows nothing.
    void setCall(const ProfiledFunctionCall *call);
    const ProfiledFunctionCall *call() const { return m_call; }
    // The path of the estimated call tree of `profile`, written per
    // function, at the top, in place of a call; the tree shape must be its
    // estimated call tree.
    void setEstimatedPath(const Profile &profile, quint32 path);
    // Shows each call path of `paths` (merged from the profile shown) as
    // one bar, from the path of the call at the top down, rather than each
    // call; null shows calls. Children go in `order`.
    void setTreeShape(const MergedCallTree *paths, ChildOrder order);
    // Hides the callees that cost less than `share` of the call at the
    // top, one block under each caller standing for them; 0 hides none.
    void setHiddenShare(double share);
    // The event whose inclusive costs give the widths.
    void setEvent(int event);
    int event() const { return m_event; }
    // Bars of the functions `highlight` accepts stand out and the others
    // are dimmed; an empty one shows all alike.
    void setHighlight(Highlight highlight);
    bool isDimmed(const FunctionModel &function);

    int rowHeight() const;
    // The bars, laid out down to a page below the last row in view.
    const FlameGraphLayout &bars();
    // The bar at a point of the viewport, or null; valid until the layout
    // changes.
    const FlameGraphLayout::Bar *barAt(QPoint position);
    // Where a bar lies in the viewport.
    QRect barRect(const FlameGraphLayout::Bar &bar) const;
    // The bar the keys act on, or null.
    const FlameGraphLayout::Bar *currentBar();
    // The text of a bar's tooltip, rich text with every name escaped.
    QString toolTipText(const FlameGraphLayout::Bar &bar) const;

    // Saves the graph at the view's width, down to maximumSavedRows rows:
    // SVG when the name ends in ".svg", else PNG. False, with the reason,
    // when it cannot be written. Find's dimming is left out unless asked for.
    bool saveImage(const QString &fileName, QString *errorString, bool withHighlight = false);

Q_SIGNALS:
    void callActivated(const ProfiledFunctionCall *call);
    void estimatedPathActivated(quint32 path);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    static constexpr size_t noBar = size_t(-1);

    const Profile *profile() const;
    // The function of a bar's call or call path.
    const FunctionModel &functionOf(quint32 call) const;
    void showTop();
    void invalidate();
    // Lays out at least `rows` rows, if there are as many.
    void layOutRows(int rows);
    int visibleRowEnd() const;
    void paintRows(QPainter &painter, int firstRow, int endRow, int top);
    void paintBar(QPainter &painter, const FlameGraphLayout::Bar &bar, const QRect &rect);
    QColor colourOf(quint32 call);
    void activate(const FlameGraphLayout::Bar &bar);
    void moveCurrent(const FlameGraphLayout::Bar *bar);
    void saveFromMenu(bool svg, bool withHighlight);

    const ProfiledFunctionCall *m_call = nullptr;
    // In place of the call: the profile and the estimated path at the top.
    const Profile *m_estimatedProfile = nullptr;
    quint32 m_estimatedPath = 0;
    const MergedCallTree *m_paths = nullptr;
    ChildOrder m_order = ChildOrder::CallOrder;
    double m_hiddenShare = 0.0;
    int m_event = 0;
    Highlight m_highlight;
    FlameGraphLayout m_layout;
    bool m_layoutValid = false;
    int m_layoutWidth = 0;
    size_t m_current = noBar;
    size_t m_pressed = noBar;
    // Per function of the profile shown: its colour once worked out (0
    // before), and whether the highlight takes it (0 not asked, 1 yes, 2 no).
    const Profile *m_coloursProfile = nullptr;
    std::vector<QRgb> m_colours;
    std::vector<quint8> m_matches;
};
