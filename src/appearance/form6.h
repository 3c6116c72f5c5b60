#pragma once

#include <QPixmap>
#include "common/singlewindow.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;
class QToolButton;

namespace quillet {

class cDIBSectionRegion;
class MainWindowApi;

// The remote control: a small borderless window in the shape of its picture (pure black is cut out) that drives
// the main window's player and playlist. It opens minimising (and by default hiding) the main window, can stay
// on top, is dragged by any point of its surface, and switches between a full and a compact shape.
class Form6 : public QWidget, public SingleWindow<Form6>
{
    Q_OBJECT
public:
    // Creates the remote and runs its opening steps; it deletes itself when closed.
    explicit Form6(QWidget *parent = nullptr);
    ~Form6() override;

    // The short form of a path: its canonical absolute path when the file exists, empty when it does not.
    static QString GetShortPath(const QString &strFileName);
    // Replaces the test for a system tray (tests); an empty function goes back to asking the desktop.
    static void setTrayCheck(std::function<bool()> trayAvailable);

    // Whether the full shape is shown (otherwise the compact one).
    bool fullShapeShown() const;
    // The window's shape.
    const cDIBSectionRegion &shapeRegion() const { return *m_region; }
    // The position marker copied from the main window's position slider.
    int sliderMarker() const { return m_sliderMarker; }

    // Handlers
    void Label2_Click(); // Done
    void Label3_Click(); // switch shape
    void Label4_Click(); // preferences
    void Check1_Click(); // mute
    void command9_Click(); // play
    void command10_Click(); // pause
    void command13_Click(); // stop
    void command11_Click(); // next
    void command12_Click(); // previous
    void Command1_Click(); // play the entry chosen in Combo1
    void Slider4_Scroll(); // seek
    void Timer1_Timer(); // position and time copy
    // Keeps Combo1 in step with the playlist; runs after every change of the playlist's size.
    void syncPlaylist();

    // Controls, named as the window's design names them.
    QComboBox *Combo1 = nullptr;
    QPushButton *Command1 = nullptr;
    QCheckBox *Check1 = nullptr;
    QToolButton *command9 = nullptr; // play
    QToolButton *command10 = nullptr; // pause
    QToolButton *command13 = nullptr; // stop
    QToolButton *command12 = nullptr; // previous
    QToolButton *command11 = nullptr; // next
    QSlider *Slider4 = nullptr;
    QLabel *Label1 = nullptr; // time
    QLabel *Label2 = nullptr; // "Done"
    QLabel *Label3 = nullptr; // shape switch
    QLabel *Label4 = nullptr; // preferences
    QFrame *Shape1 = nullptr; // frame of Label3
    QFrame *Shape2 = nullptr; // frame of Label4
    QTimer *Timer1 = nullptr; // 800 ms

signals:
    // Label4 asks for the preferences window.
    void preferencesRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void connectControls();
    void Form_Load();
    // Gives the window the shape of the picture (black cut out) and shows the picture.
    void applyShape(const QPixmap &picture);
    // Moves Label3, Shape1, Shape2 and Label4 to positions in twips.
    void placeSwitches(int label3Left, int label3Top, int shape1Left, int shape1Top, int shape2Left, int shape2Top,
        int label4Left, int label4Top);
    // Makes entry `index` the playlist's current entry and hands it to the player.
    void playEntry(int index);
    void setLabel2Colour(quint32 colour);
    // The main window, or nullptr when there is none.
    static MainWindowApi *api();

    cDIBSectionRegion *m_region = nullptr;
    QTimer *m_syncTimer = nullptr;
    QPixmap m_picBackground; // the full remote
    QPixmap m_picture1; // the compact remote
    QPixmap m_current; // the picture shown, which tells the shape
    int m_sliderMarker = 0;
    // A rebuild stopped for want of a root directory; it is tried again when the root directory changes.
    bool m_waitingForRoot = false;
    QString m_rootAtStop;
    QPoint m_dragOffset;
    bool m_dragging = false;
};

} // namespace quillet
