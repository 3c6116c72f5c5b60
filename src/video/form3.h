#pragma once

#include "common/singlewindow.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

namespace quillet {

// The video playlist window "Video Player": a file name or URL to play or add, and a list of videos kept in the
// video playlist file of the data directory. Videos play in the display window frmBrowser, with a player of
// their own, so music and video can play at the same time. "&Done" saves the list and hides the window; the close
// box destroys it without saving.
class Form3 : public QWidget, public SingleWindow<Form3>
{
    Q_OBJECT
public:
    // Creates the window and loads it (see Form_Load()): the credit message, the saved list, showing it,
    // minimising the main window and arming the start timer.
    explicit Form3(QWidget *parent = nullptr);

    // Loading shows the window. It has no parent: minimising the main window must not take it along.
    static constexpr bool loadShowsWindow = true;

    // Puts a file named on the command line into Text1 and arms the start timer, which then adds it to the list
    // ("Video"/"Open") and plays it ("Video"/"Auto"), for the first file and for every later one alike.
    void handOver(const QString &fileName);

    // Loading: the credit message, the saved list (when the list is empty), then shows the window, minimises the
    // main window and starts Timer1.
    void Form_Load();
    // Once, 10 ms after loading: acts on a handed-over file.
    void Timer1_Timer();
    // "Browse": asks for a file; the chosen name goes into Text1 and onto the list.
    void Command1_Click();
    // "Play": plays Text1's name in the display window.
    void Command3_Click();
    // Double-click on Text1: plays its name, but only once a file was browsed in this run.
    void Text1_DblClick();
    // Double-click on the list: plays the current entry.
    void List1_DblClick();
    // "Add To List": appends Text1's name to the list.
    void Command4_Click();
    // "Remove": removes the current entry; no entry is current afterwards.
    void Command5_Click();
    // "&Done": hides the window, saves the list (when "Video"/"Save" is "1" and the list is not empty) and
    // brings the main window back.
    void Command2_Click();

    // The entries of List1, in list order.
    QStringList entries() const;
    // The name last chosen with Browse (the open dialog's remembered file name); empty before any browse.
    QString browsedFileName() const { return m_browsedFileName; }
    // The message shown on loading; it names the engine that decodes the video.
    static QString creditMessage();

    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command5 = nullptr;
    QPushButton *Command2 = nullptr;
    QListWidget *List1 = nullptr;
    QLabel *Label2 = nullptr;
    QTimer *Timer1 = nullptr;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectControls();
    void playInDisplayWindow(const QString &name);

    QString m_browsedFileName;
};

} // namespace quillet
