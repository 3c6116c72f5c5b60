#include "common/focusorder.h"

#include <QGridLayout>
#include <QLayout>
#include <QWidget>

#include <algorithm>

namespace quillet {

QList<QWidget *> FocusOrder::layoutOrder(QWidget *window)
{
    QList<QWidget *> order;
    collect(window, order);
    return order;
}

void FocusOrder::followLayout(QWidget *window)
{
    const QList<QWidget *> order = layoutOrder(window);
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

void FocusOrder::take(QWidget *widget, QList<QWidget *> &order)
{
    // A control that takes the focus by Tab is one stop, its inner parts (a combo box's text field, a list's
    // scroll bars) with it; anything else is a container whose controls are visited in its own order.
    if ((widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy())
        order.append(widget);
    else
        collect(widget, order);
}

void FocusOrder::collect(QWidget *container, QList<QWidget *> &order)
{
    QList<QWidget *> placed;
    if (QLayout *layout = container->layout())
        collectLayout(layout, order, placed);
    QList<QWidget *> loose;
    for (QWidget *child : container->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow() && !placed.contains(child))
            loose.append(child);
    }
    // Rows from the top; a control whose middle lies within the height of a row's first control joins that row.
    std::stable_sort(loose.begin(), loose.end(),
        [](const QWidget *a, const QWidget *b) { return a->geometry().center().y() < b->geometry().center().y(); });
    QList<QList<QWidget *>> rows;
    for (QWidget *child : std::as_const(loose)) {
        const QRect first = rows.isEmpty() ? QRect() : rows.last().first()->geometry();
        if (rows.isEmpty() || child->geometry().center().y() > first.bottom())
            rows.append(QList<QWidget *>());
        rows.last().append(child);
    }
    loose.clear();
    for (QList<QWidget *> &row : rows) {
        std::stable_sort(row.begin(), row.end(),
            [](const QWidget *a, const QWidget *b) { return a->geometry().left() < b->geometry().left(); });
        loose += row;
    }
    for (QWidget *child : std::as_const(loose))
        take(child, order);
}

void FocusOrder::collectLayout(QLayout *layout, QList<QWidget *> &order, QList<QWidget *> &placed)
{
    QList<int> items;
    for (int i = 0; i < layout->count(); ++i)
        items.append(i);
    if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
        const auto cell = [grid](int index) {
            int row = 0;
            int column = 0;
            int rowSpan = 0;
            int columnSpan = 0;
            grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
            return std::pair(row, column);
        };
        std::stable_sort(items.begin(), items.end(), [&cell](int a, int b) { return cell(a) < cell(b); });
    }
    for (int index : std::as_const(items)) {
        QLayoutItem *item = layout->itemAt(index);
        if (QWidget *widget = item->widget()) {
            placed.append(widget);
            take(widget, order);
        } else if (QLayout *inner = item->layout()) {
            collectLayout(inner, order, placed);
        }
    }
}

} // namespace quillet
