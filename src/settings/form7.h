#pragma once

#include <QWidget>

class QCheckBox;
class QPushButton;

namespace quillet {

// The window "Register File Types ...": one check box per extension and "&Register", which makes the player the
// user's application for the checked media and playlist extensions and for skins (".qsk", always).
class Form7 : public QWidget
{
    Q_OBJECT
public:
    explicit Form7(QWidget *parent = nullptr);

    // Register: checks the icon resource file, then registers ".qsk" and every checked extension, and tells the
    // user the outcome. The wait cursor shows meanwhile.
    void Command1_Click();
    // Select All: checks every box.
    void Command2_Click();

    // The extension boxes, numbered as in the window (Check1 ".mp3" ... Check35 ".m3u", Check36 ".m3u8").
    QList<QCheckBox *> checkBoxes() const;

    QCheckBox *Check1 = nullptr;
    QCheckBox *Check2 = nullptr;
    QCheckBox *Check3 = nullptr;
    QCheckBox *Check4 = nullptr;
    QCheckBox *Check5 = nullptr;
    QCheckBox *Check6 = nullptr;
    QCheckBox *Check7 = nullptr;
    QCheckBox *Check8 = nullptr;
    QCheckBox *Check9 = nullptr;
    QCheckBox *Check10 = nullptr;
    QCheckBox *Check11 = nullptr;
    QCheckBox *Check12 = nullptr;
    QCheckBox *Check13 = nullptr;
    QCheckBox *Check14 = nullptr;
    QCheckBox *Check15 = nullptr;
    QCheckBox *Check16 = nullptr;
    QCheckBox *Check17 = nullptr;
    QCheckBox *Check18 = nullptr;
    QCheckBox *Check19 = nullptr;
    QCheckBox *Check20 = nullptr;
    QCheckBox *Check21 = nullptr;
    QCheckBox *Check22 = nullptr;
    QCheckBox *Check23 = nullptr;
    QCheckBox *Check24 = nullptr;
    QCheckBox *Check25 = nullptr;
    QCheckBox *Check26 = nullptr;
    QCheckBox *Check27 = nullptr;
    QCheckBox *Check28 = nullptr;
    QCheckBox *Check29 = nullptr;
    QCheckBox *Check30 = nullptr;
    QCheckBox *Check31 = nullptr;
    QCheckBox *Check32 = nullptr;
    QCheckBox *Check33 = nullptr;
    QCheckBox *Check34 = nullptr;
    QCheckBox *Check35 = nullptr;
    QCheckBox *Check36 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;

private:
    void createControls();
    void connectControls();
};

} // namespace quillet
