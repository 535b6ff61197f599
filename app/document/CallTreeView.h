#pragma once

#include <QTreeView>

class CallTreeModel;

// The call-tree outline: a tree view over CallTreeModel's flat rows that
// does the expanding itself, from a click on a row's disclosure triangle or
// from the Right and Left keys.
class CallTreeView final : public QTreeView
{
    Q_OBJECT
public:
    explicit CallTreeView(QWidget *parent = nullptr);

    void setCallTreeModel(CallTreeModel *model);

    void toggleRow(int row);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    CallTreeModel *m_model = nullptr;
};
