#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>

class QLabel;

namespace quillet {

// The strip of the main window that the marquee scrolls through. It draws the text of its label (which holds the
// text, font and colour and stays hidden) itself, and a step of the text touches only the part of the strip where
// the text is: over a background that is the same along each row (a plain colour or the skin's gradient) those
// pixels scroll and only the column that comes into view is drawn, so the marquee costs an idle window little.
// The window's background is kept as a picture, taken whenever the whole strip is painted (on showing, resizing,
// or a new skin), so a skin's gradient or picture still lies behind the text.
class MarqueeArea : public QWidget
{
    Q_OBJECT
public:
    explicit MarqueeArea(QWidget *parent = nullptr);

    // The label whose text the strip shows; it is hidden and moved, never drawn itself.
    void setLabel(QLabel *label);
    // Puts the label's text at x.
    void moveLabel(QLabel *label, int x);
    // Shows the label's text again after it changed.
    void textChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void takeBackground();
    void renderText();

    QPointer<QLabel> m_label;
    QPixmap m_background;
    // Whether every row of the background is one colour, so that scrolled pixels stay right.
    bool m_rowsPlain = false;
    QPixmap m_text;
    bool m_textStale = true;
};

} // namespace quillet
