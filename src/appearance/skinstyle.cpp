#include "appearance/skinstyle.h"

#include "common/contrast.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>
#include <QWidget>

namespace quillet {

namespace {

QColor edgeOf(const QPalette &palette)
{
    return edgeColour(palette.color(QPalette::Window), palette.color(QPalette::WindowText));
}

// A rectangle of the given width along the inside of the area.
void strokeInside(QPainter *painter, const QRect &area, const QColor &colour, int width = 1)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setBrush(Qt::NoBrush);
    for (int i = 0; i < width; ++i) {
        painter->setPen(QPen(colour, 1));
        painter->drawRect(area.adjusted(i, i, -1 - i, -1 - i));
    }
    painter->restore();
}

} // namespace

SkinStyle::SkinStyle()
    : QProxyStyle(QStyleFactory::create(QApplication::style()->name()))
{
}

void SkinStyle::applyTo(QWidget *window)
{
    auto *style = window->findChild<SkinStyle *>(QString(), Qt::FindDirectChildrenOnly);
    if (!style) {
        style = new SkinStyle;
        style->setParent(window);
    }
    window->setStyle(style);
    for (QWidget *child : window->findChildren<QWidget *>()) {
        if (!child->isWindow() && child->style() != style)
            child->setStyle(style);
    }
}

void SkinStyle::drawPrimitive(
    PrimitiveElement element, const QStyleOption *option, QPainter *painter, const QWidget *widget) const
{
    const QPalette &palette = option->palette;
    const bool focused = option->state & State_HasFocus;
    const QColor ink = palette.color(QPalette::WindowText);
    switch (element) {
    case PE_PanelButtonCommand: {
        // A flat face in the button colour, lighter or darker toward the caption while held or hovered.
        QColor face = palette.color(QPalette::Button);
        if (option->state & (State_Sunken | State_On))
            face = mixColours(face, palette.color(QPalette::ButtonText), 0.2);
        painter->fillRect(option->rect.adjusted(1, 1, -1, -1), face);
        strokeInside(painter, option->rect, focused ? ink : edgeOf(palette), focused ? 2 : 1);
        return;
    }
    case PE_FrameLineEdit:
    case PE_Frame:
        strokeInside(painter, option->rect, focused ? ink : edgeOf(palette), focused ? 2 : 1);
        return;
    case PE_IndicatorCheckBox:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        strokeInside(painter, option->rect, edgeOf(palette));
        return;
    case PE_FrameFocusRect:
        strokeInside(painter, option->rect, ink);
        return;
    default:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
}

} // namespace quillet
