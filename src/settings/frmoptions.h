#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSlider;

namespace quillet {

// The preferences window "Options": six pages chosen from a list on the left, each a frame of check boxes
// standing for the stored preferences. It reads every preference when it opens and writes all of them on Apply.
class frmOptions : public QDialog
{
    Q_OBJECT
public:
    explicit frmOptions(QWidget *parent = nullptr);

    // Reads every preference from the settings store into the controls.
    void Form_Load();
    // Shows the frame of the selected page and hides the other five.
    void List1_Click();
    // Shows the slider's value in Label3 (the slider's value-changed notification).
    void Slider1_Change();
    // Shows the slider's value in Label3 (the slider's moved notification).
    void Slider1_Scroll();
    // Apply: writes the fifteen preferences; false (after telling the user) when the store could not be written.
    bool Command1_Click();
    // OK: applies, then closes; stays open when the preferences could not be written.
    void cmdOK_Click();
    // Cancel: closes without writing.
    void Command2_Click();

    QListWidget *List1 = nullptr;

    QGroupBox *Frame1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QGroupBox *Frame3 = nullptr;
    QGroupBox *Frame4 = nullptr;
    QGroupBox *Frame5 = nullptr;
    QGroupBox *Frame6 = nullptr;

    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
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

    QSlider *Slider1 = nullptr;
    QLabel *Label3 = nullptr;

    QPushButton *Command1 = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *Command2 = nullptr;

private:
    void createControls();
    void connectControls();
    QList<QGroupBox *> frames() const;
};

} // namespace quillet
