#pragma once

#include <QAbstractButton>

namespace quillet {

// A picture with a tooltip that acts as a button: it draws its icon, and a single-line border while the mouse
// button is held down on it (unless the pressed look is turned off).
class PictureButton : public QAbstractButton
{
    Q_OBJECT
public:
    PictureButton(const QIcon &icon, const QString &tip, QWidget *parent = nullptr);

    // Whether holding the button down shows a border.
    void setPressedLook(bool on) { m_pressedLook = on; }
    // Whether the border is showing now.
    bool showsPressedBorder() const { return m_pressedLook && isDown(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_pressedLook = true;
};

} // namespace quillet
