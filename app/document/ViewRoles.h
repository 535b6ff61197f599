#pragma once

#include <QMetaType>
#include <Qt>

class FunctionModel;

// Data roles the document's models answer beyond Qt's own: the function a
// cell names (painted by FunctionLabelDelegate), and for the outline the
// row's depth in the call tree and its disclosure state.
enum ViewRole {
    FunctionRole = Qt::UserRole + 1,
    DepthRole,
    ExpandableRole,
    ExpandedRole,
};

Q_DECLARE_METATYPE(const FunctionModel *)
