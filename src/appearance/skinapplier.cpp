#include "appearance/skinapplier.h"

#include "appearance/skinstyle.h"
#include "common/colour.h"
#include "common/contrast.h"
#include "common/twips.h"

#include <QEvent>
#include <QListView>
#include <QPainter>
#include <QWidget>

namespace quillet {

namespace {

// Twips of the height that a skin gives the main window's Label1.
constexpr int Label1HeightTwips = 184;

void setColour(QWidget *widget, QPalette::ColorRole role, const QColor &colour)
{
    if (!widget)
        return;
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

} // namespace

SkinApplier::SkinApplier(QObject *parent)
    : QObject(parent)
{
}

void SkinApplier::apply(QWidget *window, const Skin &skin, const QImage &picture)
{
    if (!window)
        return;
    if (m_window != window) {
        if (m_window)
            m_window->removeEventFilter(this);
        m_window = window;
        window->installEventFilter(this);
    }
    const auto child = [window](const char *name) { return window->findChild<QWidget *>(QLatin1String(name)); };
    // The skin's two colours, moved apart where needed so that text reads at 4.5:1 on the window.
    const ReadablePair colours = readablePair(
        colourFromValue(ColourValue(skin.backgroundColour)), colourFromValue(ColourValue(skin.textColour)));
    const QColor background = colours.surface;
    const QColor text = colours.ink;

    // The whole window takes the skin's two colours, so that every caption, field, button, icon and the playlist
    // that inherit the window's palette are drawn in them; the selection keeps the desktop's colours.
    QPalette palette = window->palette();
    const QColor muted = mixColours(background, text, 0.5);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor foreground = group == QPalette::Disabled ? muted : text;
        for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Button})
            palette.setColor(group, role, background);
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            palette.setColor(group, role, foreground);
        palette.setColor(group, QPalette::PlaceholderText, muted);
    }
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    SkinStyle::applyTo(window);

    // The text colour goes to the labels that lie on the background, the playlist and the two shapes.
    for (const char *name : {"Label2", "Label3", "Label9", "Text2"})
        setColour(child(name), QPalette::WindowText, text);
    auto *list = window->findChild<QListView *>(QStringLiteral("List1"));
    setColour(list, QPalette::Text, text);
    setColour(child("Shape5"), QPalette::Window, text);
    setColour(child("Shape6"), QPalette::WindowText, text);
    // The song information is written in the background colour; it lies on a face of the text colour, as on the
    // shape of that colour, so that it can be read.
    setColour(child("Text3"), QPalette::Text, background);
    setColour(child("Text3"), QPalette::Base, text);

    // Only the font's family is taken; an empty name would make the list fall back to some other font.
    if (list && !skin.fontName.trimmed().isEmpty()) {
        QFont font = list->font();
        font.setFamily(skin.fontName);
        list->setFont(font);
    }

    m_background.colour = background;
    m_background.gradient = skin.gradientOn == 1;
    m_background.red = skin.gradientRed;
    m_background.green = skin.gradientGreen;
    m_background.spread = skin.gradientSpread;
    m_background.picture = picture;
    if (!picture.isNull()) {
        // Over a picture the shapes take the background colour so that they do not stand out.
        setColour(child("Shape5"), QPalette::Window, background);
        setColour(child("Shape6"), QPalette::WindowText, background);
    }
    m_rendered = QImage();

    if (QWidget *label1 = child("Label1")) {
        const double dpi = window->logicalDpiY() > 0 ? window->logicalDpiY() : 96.0;
        label1->resize(label1->width(), twipsToPixels(Label1HeightTwips, dpi));
    }
    window->update();
}

bool SkinApplier::eventFilter(QObject *watched, QEvent *event)
{
    // The window fills itself with the background colour first; the gradient and picture go over that fill and
    // under the window's own painting and its controls.
    if (watched == m_window && event->type() == QEvent::Paint && !m_painting)
        paintBackground();
    return QObject::eventFilter(watched, event);
}

void SkinApplier::paintBackground()
{
    const bool plain = (!m_background.gradient || m_background.spread == 0) && m_background.picture.isNull();
    if (plain)
        return;
    if (m_rendered.size() != m_window->size())
        m_rendered = m_background.render(m_window->size());
    m_painting = true;
    QPainter painter(m_window);
    painter.drawImage(QPoint(0, 0), m_rendered);
    m_painting = false;
}

} // namespace quillet
