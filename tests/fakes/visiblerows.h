#pragma once

#include <QAbstractItemView>
#include <QCoreApplication>

namespace quillet::testing {

// The texts of the rows a view shows on screen, top to bottom, found by hit-testing its viewport as a mouse would.
inline QStringList visibleRows(QAbstractItemView *view)
{
    QCoreApplication::processEvents();
    QStringList rows;
    for (int y = 0; view->isVisible() && y < view->viewport()->height();) {
        const QModelIndex index = view->indexAt(QPoint(2, y));
        if (!index.isValid())
            break;
        rows << index.data().toString();
        y = view->visualRect(index).bottom() + 1;
    }
    return rows;
}

} // namespace quillet::testing
