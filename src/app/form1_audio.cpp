// Form1: the audio controls (balance, volume, play count, auto-rewind, mute and reset).
#include "app/form1.h"

#include "media/mediaplayer.h"

#include <QCheckBox>
#include <QLabel>
#include <QScrollBar>

namespace quillet {

// Names the setting being changed and shows its value, clearing the value first as the labels always did.
static void showInfo(QLabel *value, QLabel *name, const QString &settingName, const QString &shown)
{
    value->clear();
    name->setText(settingName);
    value->setText(shown);
}

void Form1::Slider1_Change()
{
    MP1->setBalance(Slider1->value());
}

void Form1::Slider1_Scroll()
{
    const int value = Slider1->sliderPosition();
    MP1->setBalance(value);
    showInfo(Text1, Text2, QStringLiteral("Balance"), QString::number(value));
}

void Form1::volume1_Change()
{
    MP1->setVolume(volume1->value());
}

void Form1::volume1_Scroll()
{
    const int value = volume1->sliderPosition();
    MP1->setVolume(value);
    if (value == 0) {
        showInfo(Text1, Text2, QStringLiteral("Volume"), QStringLiteral("FULL"));
        return;
    }
    showInfo(Text1, Text2, QStringLiteral("Volume"), QString::number(value));
    // "MUTE" only names the bottom of the range; the player is not muted.
    if (value == -4000)
        showInfo(Text1, Text2, QStringLiteral("Volume"), QStringLiteral("MUTE"));
    else
        showInfo(Text1, Text2, QStringLiteral("Volume"), QString::number(value));
}

void Form1::slider2_Change()
{
    MP1->setPlayCount(slider2->value());
}

void Form1::slider2_Scroll()
{
    const int value = slider2->sliderPosition();
    MP1->setPlayCount(value);
    showInfo(Text1, Text2, QStringLiteral("Playcount"), QString::number(value));
}

void Form1::slider3_Change()
{
    // Arrow clicks, keys and the reset tell the player too, so the bar and the player never disagree.
    MP1->setAutoRewind(slider3->value() != 1);
}

void Form1::slider3_Scroll()
{
    const bool on = slider3->sliderPosition() != 1;
    MP1->setAutoRewind(on);
    showInfo(Text1, Text2, QStringLiteral("Auto Rewind"), on ? QStringLiteral("ON") : QStringLiteral("OFF"));
}

void Form1::clearInfoLabels()
{
    Text1->clear();
    Text2->clear();
}

void Form1::Option1_Click()
{
    MP1->setMute(Option1->checkState() == Qt::Checked);
}

void Form1::Command8_Click()
{
    Slider1->setValue(0);
    volume1->setValue(0);
    slider2->setValue(1);
    slider3->setValue(1);
}

} // namespace quillet
