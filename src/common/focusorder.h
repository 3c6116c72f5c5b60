#pragma once

#include <QList>

class QLayout;
class QWidget;

namespace quillet {

// The keyboard's path through a window: Tab visits the controls in the order the window lays them out, as a
// reader takes them in, whatever order they were made in.
class FocusOrder
{
public:
    // The controls that Tab reaches, in layout order: boxes in their order, grids row by row, group boxes and
    // other containers in place; controls placed by hand (outside any layout) by position, top to bottom and
    // left to right within a row.
    static QList<QWidget *> layoutOrder(QWidget *window);
    // Sets the window's tab order to its layout order.
    static void followLayout(QWidget *window);

private:
    static void collect(QWidget *container, QList<QWidget *> &order);
    static void collectLayout(QLayout *layout, QList<QWidget *> &order, QList<QWidget *> &placed);
    static void take(QWidget *widget, QList<QWidget *> &order);
};

} // namespace quillet
