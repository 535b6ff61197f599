#include "OutlineModel.h"

int OutlineModel::parentRow(int row) const
{
    const int depth = depthOfRow(row);
    for (int above = row - 1; above >= 0 && depth > 0; --above) {
        if (depthOfRow(above) < depth)
            return above;
    }
    return -1;
}

QModelIndex OutlineModel::parent(const QModelIndex &) const
{
    return {};
}
