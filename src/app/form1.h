#pragma once

#include "app/trayicon.h"
#include "playlist/mainwindowapi.h"
#include "tags/mediatag.h"

#include <QPointer>
#include <QTime>
#include <QWidget>

#include <functional>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollBar;
class QSlider;
class QTimer;
class QToolButton;

namespace quillet {

class MarqueeArea;
class MediaPlayer;
class PictureButton;
class PlaylistView;
class WindowRegistry;
class close1;

// The main window: owns the playlist List1, the player MP1, the status and time labels and the tag fields, and
// carries out start-up, transport, playback events, audio controls, playlist editing and shutdown.
class Form1 : public QWidget, public MainWindowApi
{
    Q_OBJECT
public:
    // Creates the window and its player; load() does the start-up work.
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // Start-up: handles the command-line text, the default playlist, the audio controls and the tray icon, and
    // arms the one automatic play of the next Timer2 tick.
    void load(const QString &commandLine);
    // Handles the command-line texts (one, or several joined as CommandLine::join() does): a video goes to the
    // video player, a skin is remembered and announced, a playlist is loaded and any other file is added (at
    // start-up with the default playlist when "Manage" is 1).
    void openCommandLine(const QString &commandLine, bool atStartup = true);
    // Opens the texts another start of Quillet handed over, as openCommandLine() does, and plays the first media
    // file at once: it becomes the current entry (one already in the playlist is started where it is).
    void openHandedOver(const QString &commandLine);
    // The unload steps: mutes, removes the tray icon, shows the closing window, hides, writes the default
    // playlist. Runs once; later calls do nothing.
    void unload();
    // "Exit": removes the tray icon, hides the window and shows the closing window.
    void exitProgram();
    // Replaces the time of day used by automatic play (tests).
    void setClock(std::function<QTime()> clock) { m_clock = std::move(clock); }
    // Replaces what the closing window does at the very end (tests); by default the process ends.
    void setEndProcess(std::function<void()> endProcess) { m_endProcess = std::move(endProcess); }
    // The tray icon's record and state.
    TrayIcon *trayIcon() const { return m_tray; }
    // The other windows, created on first use.
    WindowRegistry *windows() const { return m_windows; }
    // A menu item by its name (e.g. "paly"), or nullptr.
    QAction *menuItem(const QString &name) const;

    // MainWindowApi
    PlaylistView *playlistView() override { return List1; }
    MediaPlayer *mainPlayer() override { return MP1; }
    QString rootDirectory() const override { return m_rootDirectory; }
    void setRootDirectory(const QString &directory) override { m_rootDirectory = directory; }
    QString currentIndexText() const override;
    void setCurrentIndexText(const QString &text) override;
    QString statusText() const override;
    void setStatusText(const QString &text) override;
    void startSelectedEntry() override { startEntry(); }
    void showRootChooser() override;
    QWidget *mainWidget() override { return this; }

    // The skin file named on the command line (the tag of Text7), empty when none.
    QString skinArgument() const { return m_skinArgument; }
    // The current index read as a number (empty reads as 0).
    int currentIndex() const;

    // Controls, named as the window's design names them.
    MediaPlayer *MP1 = nullptr;
    PlaylistView *List1 = nullptr;
    QLabel *Label1 = nullptr; // current index
    QLabel *Label2 = nullptr; // status line
    QLabel *Label3 = nullptr; // marquee
    MarqueeArea *marqueeArea = nullptr;
    QLabel *Label7 = nullptr; // elapsed time
    QLabel *Label8 = nullptr; // duration
    QLabel *Label9 = nullptr; // combined time line
    QLineEdit *Text3 = nullptr; // song information of the clicked entry
    QLineEdit *Text4 = nullptr; // title
    QLineEdit *Text5 = nullptr; // artist
    QLineEdit *Text6 = nullptr; // album
    QLineEdit *Text7 = nullptr; // year
    QLineEdit *Text8 = nullptr; // title of the clicked entry (hidden)
    QLineEdit *Text9 = nullptr; // artist of the clicked entry (hidden)
    QLabel *Text1 = nullptr; // information value / entry count
    QLabel *Text2 = nullptr; // information name / "# MP3(S)"
    QSlider *Slider4 = nullptr; // position
    QScrollBar *Slider1 = nullptr; // balance
    QScrollBar *volume1 = nullptr;
    QScrollBar *slider2 = nullptr; // play count
    QScrollBar *slider3 = nullptr; // auto-rewind
    QCheckBox *Option1 = nullptr; // mute
    QPushButton *Command8 = nullptr; // reset
    QToolButton *command9 = nullptr; // play
    QToolButton *command10 = nullptr; // stop
    QToolButton *command11 = nullptr; // pause
    QToolButton *command12 = nullptr; // next
    QToolButton *command13 = nullptr; // previous
    QToolButton *Command14 = nullptr; // open file
    QPushButton *Command15 = nullptr; // fast forward
    QPushButton *Command16 = nullptr; // rewind
    QTimer *Timer1 = nullptr; // time display, 800 ms
    QTimer *Timer2 = nullptr; // marquee and automatic play, 200 ms
    QTimer *Timer4 = nullptr; // tray icon refresh, 1000 ms

    // Chrome: picture buttons, the button row and the four pop-up menus.
    PictureButton *imgCloseForm = nullptr;
    PictureButton *imgMinimize = nullptr;
    PictureButton *imgMaximize = nullptr;
    PictureButton *Image3 = nullptr;
    PictureButton *Image1 = nullptr;
    QPushButton *Command1 = nullptr; // Add menu
    QPushButton *Command2 = nullptr; // List submenu
    QPushButton *Command3 = nullptr; // Remove menu
    QPushButton *Command4 = nullptr; // video player
    QPushButton *Command5 = nullptr; // about
    QPushButton *Command6 = nullptr; // the engine's about box
    QPushButton *Command7 = nullptr; // Other menu
    QLineEdit *Text158 = nullptr; // the caption copied for the tray tip (hidden)
    QMenu *mnuBar = nullptr;
    QMenu *adddd = nullptr;
    QMenu *removvewer = nullptr;
    QMenu *other = nullptr;
    QMenu *listMenu = nullptr; // the main menu's "List" submenu
    MediaTag Ezy1;

    // The slider's marker value, set equal to its value on every change.
    int sliderMarker() const { return m_sliderMarker; }

    // Transport
    void startEntry();
    void command9_Click();
    void command10_Click();
    void command11_Click();
    void command12_Click();
    void command13_Click();
    void Command15_Click();
    void Command16_Click();
    void Slider4_MouseDown();
    void Slider4_MouseUp();
    void Slider4_Scroll();
    // Any other user action on the slider (groove click, keys, wheel).
    void Slider4_Action(int action);
    void Slider4_Change();
    // Playback events and timers
    void MP1_EndOfStream();
    void MP1_Error();
    void MP1_MediaOpened();
    // The status line follows what the engine does: "Playing.." only while it plays, "Waiting .." while a file
    // opens, and no "Playing.." left standing once it paused or stopped.
    void MP1_StateChanged();
    // A stream shows the title its station gives the song playing in the title field, caption and tray tip.
    void MP1_StreamTitleChanged();
    void Timer1_Timer();
    void Timer2_Timer();
    // Audio controls
    void Slider1_Change();
    void Slider1_Scroll();
    void volume1_Change();
    void volume1_Scroll();
    void slider2_Change();
    void slider2_Scroll();
    void slider3_Change();
    void slider3_Scroll();
    void clearInfoLabels();
    void Option1_Click();
    void Command8_Click();
    // Playlist editing
    void add_Click();
    void addurl_Click();
    void clpl_Click();
    void rf_Click();
    void removesel_Click();
    void fileinfo_Click();
    void saveplay_Click();
    void loadplay_Click();
    void List1_Click();
    void List1_DblClick();
    void List1_KeyPress(QChar key);
    void List1_MouseMove();
    void List1_OLEDragDrop(const QStringList &paths);
    void List1_MouseDown(const QPoint &globalPos);
    // Chrome and tray
    void imgCloseForm_Click();
    void imgMinimize_Click();
    void imgMaximize_Click();
    void Image3_Click();
    void Image1_Click();
    void Timer4_Timer();
    // The tray icon's mouse messages: 515 double-click, 516 right button.
    void pichook_MouseMove(int message);
    // Pops up a menu at a global position; a menu that is already open drops the request.
    void popUp(QMenu *menu, const QPoint &globalPos);

    // The video named on the command line, for the video playlist window (empty when none).
    QString commandLineVideo() const;

signals:
    // The window has finished its unload steps.
    void unloaded();
    // The root-directory chooser should be shown.
    void rootChooserRequested();
    // The command line named a video: the video player should take it.
    void videoFileOpened(const QString &path);
    // Minimising asks for the remote control ("Remote"/"Auto").
    void remoteControlRequested();
    // The visual options window should be made visible.
    void visualOptionsRequested();
    // "1", "2" or "3" was typed in the playlist: the tag editor, visual options or ID3 playlist is wanted.
    void windowKeyPressed(QChar key);

protected:
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildChrome();
    void buildMenus();
    void connectControls();
    void connectChrome();
    void connectTimers();
    void startTimers();
    bool marqueeOnScreen() const;
    void appendDefaultPlaylist();
    bool appendPlaylistFile(const QString &path);
    // Opens one command-line text; true when it is a media file (not added when addMedia is false).
    bool openText(const QString &text, bool atStartup, bool addMedia);
    void loadIntoPlayer(const QString &entry);
    // Shows "Playing.." when the engine plays; a file still opening shows it once it plays.
    void showPlaying();
    void selectAndStart(int index);
    void writeDefaultPlaylist();
    void showMessage(const QString &text);
    close1 *closingWindow();

    QString m_rootDirectory; // the tag of Text6
    QString m_skinArgument; // the tag of Text7
    QString m_videoOpened; // "1" when the command line named a video
    bool m_startupPending = false;
    bool m_dragging = false;
    bool m_unloaded = false;
    bool m_loaded = false;
    bool m_timersStarted = false;
    int m_sliderMarker = 0;
    double m_marqueeLeftTwips = 4800;
    QString m_commandLineVideo;
    TrayIcon *m_tray = nullptr;
    WindowRegistry *m_windows = nullptr;
    bool m_trayBusy = false;
    int m_lastTrayMessage = 0;
    QPoint m_dragOffset;
    bool m_draggingWindow = false;
    QPointer<close1> m_close1;
    std::function<QTime()> m_clock;
    std::function<void()> m_endProcess;
};

} // namespace quillet
