#pragma once

#include <QPixmap>
#include <QWidget>

class QLabel;

namespace quillet {

// The strip of the main window that the marquee label scrolls through. A step of the label scrolls the pixels
// already drawn and repaints only the column that comes into view, so that the marquee costs an idle window little.
// The strip draws the window's background itself, from a picture of it taken whenever the whole strip is painted
// (on showing, resizing, or a new skin), so the skin's gradient or picture still lies behind the text.
class MarqueeArea : public QWidget
{
    Q_OBJECT
public:
    explicit MarqueeArea(QWidget *parent = nullptr);

    // Puts the label (a child of the strip) at x: scrolled there when it is a step, moved when it jumps.
    void moveLabel(QLabel *label, int x);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void takeBackground();

    QPixmap m_background;
};

} // namespace quillet
