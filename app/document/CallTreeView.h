#pragma once

#include <QTreeView>

class OutlineModel;

// The call-tree outline: a tree view over an OutlineModel's flat rows that
// does the expanding itself, from a click on a row's disclosure triangle or
// from the Right and Left keys. Its first column, the function, takes the
// width the other columns leave, but never less than
// `minimumFunctionWidth`; beyond that, and when the user widens it, the
// outline scrolls sideways.
class CallTreeView final : public QTreeView
{
    Q_OBJECT
public:
    static constexpr int minimumFunctionWidth = 240;

    explicit CallTreeView(QWidget *parent = nullptr);

    void setOutlineModel(OutlineModel *model);

    void toggleRow(int row);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    void fitFunctionColumn();

    OutlineModel *m_model = nullptr;
};
