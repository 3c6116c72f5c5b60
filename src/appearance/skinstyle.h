#pragma once

#include <QProxyStyle>

namespace quillet {

// The style of a skinned window: the desktop's style, except that the edges of text fields, frames and check
// boxes, the faces of push buttons and the focus frame are drawn from the window's palette so that they stay
// visible in any pair of skin colours. Edges stand at least 3:1 from the window colour, button faces are the
// palette's button colour exactly (which the skin chooses to carry its caption at 4.5:1), and the keyboard focus
// is a frame in the text colour.
class SkinStyle : public QProxyStyle
{
    Q_OBJECT
public:
    SkinStyle();

    // Gives the window and every control in it (not its pop-up menus) one SkinStyle, owned by the window.
    static void applyTo(QWidget *window);

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
        const QWidget *widget = nullptr) const override;
};

} // namespace quillet
