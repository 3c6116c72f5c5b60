#pragma once

#include "settings/creditsscroller.h"

#include <QPixmap>
#include <QWidget>

#include <optional>

namespace quillet {

// The scroll area of the about window: a fixed background picture with the credits text drawn over it where
// the last frame put it. The text is drawn in the widget's font.
class CreditsView : public QWidget
{
    Q_OBJECT
public:
    explicit CreditsView(QWidget *parent = nullptr);

    // The multi-line text to scroll.
    void setText(const QString &text);
    QString text() const { return m_text; }
    // The height of the text in the widget's font; 0 when there is nothing to measure.
    int textHeight() const;
    // Clears the area and draws the text as the frame says.
    void showFrame(const CreditsScroller::Frame &frame);
    // The frame on show, if any.
    std::optional<CreditsScroller::Frame> frame() const { return m_frame; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void makeBackground();

    QString m_text;
    QPixmap m_background;
    std::optional<CreditsScroller::Frame> m_frame;
};

} // namespace quillet
