#pragma once

#include <QString>
#include <QtGlobal>

namespace quillet {

// The nine values of a skin, as the visual options window holds them and a skin file stores them. Colours are
// 32-bit values 0x00BBGGRR kept exactly as read, so a value with its top bit set survives a save and a load.
struct Skin
{
    qint32 backgroundColour = 0x808080;
    qint32 textColour = 0xE0E0E0;
    qint16 gradientOn = 0;
    qint16 pictureOn = 0;
    QString pictureFile;
    QString fontName = QStringLiteral("Arial");
    qint16 gradientRed = 0;
    qint16 gradientGreen = 0;
    qint16 gradientSpread = 0;

    bool operator==(const Skin &other) const = default;
};

} // namespace quillet
