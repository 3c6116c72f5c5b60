#pragma once

#include <QSlider>

namespace quillet {

// The position bar: a slider whose groove, clicked with the left button, moves the handle straight to the clicked
// point (as in every media player) instead of a page toward it. The move is a user action (actionTriggered with
// SliderMove) like a key press; the keys keep their steps and the handle is dragged as before.
class PositionSlider : public QSlider
{
    Q_OBJECT
public:
    explicit PositionSlider(Qt::Orientation orientation, QWidget *parent = nullptr);

    // The value at a point of the slider, as the handle's centre placed there gives it.
    int valueAt(const QPoint &point) const;

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

} // namespace quillet
