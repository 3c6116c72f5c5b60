#pragma once

#include "appearance/skin.h"

#include <QImage>
#include <QWidget>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace quillet {

class SkinApplier;

// The visual options window "Visual Options": the skin of the main window (background and text colour,
// gradient, background picture, playlist font), applied to the main window, reset, and saved to and loaded
// from skin files. Created once at start-up; "Done" only hides it.
class Form4 : public QWidget
{
    Q_OBJECT
public:
    explicit Form4(QWidget *parent = nullptr);

    // The load steps: the startup skin (the command-line skin file when one was given, otherwise the default
    // skin file), then the playlist font caption. Returns true when the command-line skin was applied, so that
    // the main window forgets it; false when there was none or it was not used.
    bool loadAtStartup(const QString &skinArgument);
    // Reads a skin file opened with the program and applies it, when "Skins"/"Auto" is "1". A file that cannot
    // be used is reported. True when the skin was applied.
    bool openSkinArgument(const QString &path);

    // The skin as the controls hold it.
    Skin skin() const;
    // Puts a skin into the controls (without applying it) and previews its picture.
    void setSkin(const Skin &skin);
    // The painter of the main window (tests read what it paints).
    SkinApplier *applier() const { return m_applier; }

    // Handlers
    void Command1_Click(); // Apply
    void Command2_Click(); // Done
    void Command3_Click(); // Reset
    void Command4_Click(); // Browse for a picture
    void Command5_Click(); // Save Skin
    void Command6_Click(); // Load Skin
    void Command7_Click(); // startup skin
    void Command8_Click(); // Select Font
    void command9_Click(); // background colour
    void command10_Click(); // text colour

    // Controls, named as the window's design names them.
    QFrame *Shape1 = nullptr; // background colour swatch
    QLabel *Label1 = nullptr; // "TEXT COLOR", in the text colour
    QCheckBox *Check1 = nullptr; // gradient on
    QLabel *Label2 = nullptr; // gradient caption
    QScrollBar *VScroll1 = nullptr; // gradient red
    QScrollBar *VScroll2 = nullptr; // gradient green
    QScrollBar *VScroll3 = nullptr; // gradient spread
    QCheckBox *Check2 = nullptr; // picture on
    QLineEdit *Text1 = nullptr; // picture file
    QLabel *Image1 = nullptr; // picture preview
    QLabel *Label3 = nullptr; // playlist font caption
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command5 = nullptr;
    QPushButton *Command6 = nullptr;
    QPushButton *Command7 = nullptr;
    QPushButton *Command8 = nullptr;
    QPushButton *Command9 = nullptr;
    QPushButton *Command10 = nullptr;

private:
    void buildControls();
    void connectControls();
    void setBackgroundColour(qint32 value);
    void setTextColour(qint32 value);
    bool showPreview(const QString &path);
    // Reads a skin file into the controls. A file that cannot be used changes nothing and is reported when
    // report is true. A picture that cannot be loaded is always reported and left out. True when the skin was
    // read.
    bool loadSkinFile(const QString &path, bool report);
    // Starts from the main window's current look, so the window shows what the main window shows.
    void takeMainWindowLook();
    QWidget *mainWindow() const;

    SkinApplier *m_applier = nullptr;
    // The colours exactly as chosen or read (0x00BBGGRR, top bit kept).
    qint32 m_backgroundColour = 0;
    qint32 m_textColour = 0;
    // The colour dialog keeps its colour between uses; a cancelled dialog gives it back unchanged.
    QColor m_dialogColour = Qt::black;
    // The font dialog's font; only its family is used.
    QString m_fontName;
    // The command-line skin file, emptied once it has been applied.
    QString m_skinArgument;
};

} // namespace quillet
