#pragma once

#include "CallersController.h"
#include "TableTab.h"

class MyDocument;

// The callers tab: every function that calls the selected call's function
// anywhere in the tree. It is filled while it is in front, since it looks
// at the whole tree. A row activated lists that caller's calls of the
// function in the calls tab.
class CallersTab final : public TableTab
{
    Q_OBJECT
public:
    CallersTab(MyDocument &document, QAbstractItemDelegate &delegate, QWidget *parent = nullptr);
    ~CallersTab() override;

    QString title() const override { return tr("Callers"); }
    void showProfile(const Profile &profile) override;
    void showCall(const ProfiledFunctionCall *call) override;
    // The callers of the path's function, from the function graph.
    void showEstimatedPath(quint32 path) override;
    // Where the selected caller makes its first call of the function.
    std::optional<SourceLocation> selectedLocation() const override;

protected:
    void rowActivated(int row) override;
    void showEvent(QShowEvent *event) override;

private:
    CallersController &callers() const { return static_cast<CallersController &>(tableModel()); }
    // Lists the callers of the call's function, unless they are listed.
    void update();

    MyDocument &m_document;
    const ProfiledFunctionCall *m_call = nullptr;
    // The graph's node whose callers are shown, or none.
    quint32 m_node = FunctionGraph::none;
    bool m_outOfDate = false;
};
