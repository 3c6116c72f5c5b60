#pragma once

#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace quillet {

class MediaPlayer;
class TagRowReader;

// The ID3 playlist "ID3 Playlist": the main playlist as numbered rows of song and artist, the duration of a clicked
// row in the caption, and playing a row. Row i stands for main playlist entry i; the rows are rebuilt whenever the
// main playlist's count differs from theirs. Closing only hides the window, so it keeps watching the main playlist.
class Form5 : public QWidget
{
    Q_OBJECT
public:
    explicit Form5(QWidget *parent = nullptr);
    ~Form5() override;

    // True while the rows are being rebuilt.
    bool isRebuilding() const { return m_rebuilding; }

    // Compares the main playlist's count with the rows and rebuilds them (after a warning) when they differ.
    void Timer1_Timer();
    // Shows the clicked row's duration in the caption, measured with MP2.
    void List2_Click();
    // Plays the current row's entry in the main player.
    void List2_DblClick();
    // Enter in List2 plays the current row.
    void List2_KeyPress(QChar key);
    // "&Play File": plays the current row's entry.
    void Command1_Click();

    QLabel *Label1 = nullptr; // "Loading List ...", behind the list
    QListWidget *List2 = nullptr;
    QPushButton *Command1 = nullptr;
    MediaPlayer *MP2 = nullptr;
    QTimer *Timer1 = nullptr;

signals:
    // A rebuild of the rows has ended.
    void rebuilt();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectControls();
    void watchMainPlaylist();
    void playRow(int row);
    void appendRows(const QStringList &rows);
    void finishRebuild();
    // Shows the list again; it takes back the keyboard focus that its hiding gave to the button.
    void showList();

    TagRowReader *m_reader = nullptr;
    // The number of rows the list has, or will have when the rebuild in progress ends.
    int m_rowTarget = 0;
    bool m_rebuilding = false;
    bool m_warning = false;
    // The main list's selection or current entry changed while the rows were read.
    bool m_selectionChosen = false;
    // The window itself is moving the main list's current entry.
    bool m_settingIndex = false;
};

} // namespace quillet
