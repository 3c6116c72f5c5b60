#pragma once

#include "appearance/skin.h"
#include "appearance/skinbackground.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace quillet {

// Paints a skin onto the main window through its widgets: the background colour, gradient and picture behind
// every control, the text colours of the labels and the playlist, the playlist's font and Label1's height. The
// window's controls are found by their object names; a control the window does not have is skipped.
class SkinApplier : public QObject
{
    Q_OBJECT
public:
    explicit SkinApplier(QObject *parent = nullptr);

    // Applies the skin to the window. The picture is the loaded picture file, or a null image for none; the
    // caller decides whether the skin's picture is on.
    void apply(QWidget *window, const Skin &skin, const QImage &picture);
    // The background being painted behind the window's controls.
    const SkinBackground &background() const { return m_background; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void paintBackground();

    QPointer<QWidget> m_window;
    SkinBackground m_background;
    // The background rendered for the window's current size.
    QImage m_rendered;
    bool m_painting = false;
};

} // namespace quillet
