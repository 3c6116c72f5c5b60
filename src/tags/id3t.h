#pragma once

#include "tags/mediatag.h"

#include <QPointer>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillet {

class MediaPlayer;

// The tag editor "ID3 Tag Editor": shows the six tag fields and the audio facts of one MP3, FLAC, Ogg Vorbis, Opus,
// MP4, WAV or AIFF file and writes the edited fields back (WAV and AIFF files are only shown). It opens on the file
// loaded in the main player (read when the window is first shown) or on a file chosen with "&Open"; a successful
// save closes and destroys the window.
class id3t : public QWidget
{
    Q_OBJECT
public:
    // The longest text a field takes from the keyboard.
    static constexpr int FieldLength = 30;

    explicit id3t(QWidget *parent = nullptr);

    // The main window's player: the editor opens on its file and refuses to save that file while it is loaded.
    // Set it before the window is first shown.
    void setMainPlayer(MediaPlayer *player);
    // The start file value: set by the load to the player's file; the main window may set it again afterwards,
    // which has no further effect (only the load reads it).
    QString tag() const { return m_tag; }
    void setTag(const QString &file) { m_tag = file; }
    // Fills the fields and the information line from a file's tag and header, and notes the file's state so that
    // a save can tell whether another program changed it in the meantime.
    void openFile(const QString &path);

    // Load: opens on the main player's file and runs once, when the window is first shown.
    void Form_Load();
    // "&Open": asks for an audio file and fills the fields from it.
    void cmdOpen_Click();
    // "&Save": writes the fields changed here into the open file's tag and closes the window; says why when it
    // cannot. When another program changed the file since it was read, asks whether to reload or overwrite it.
    void cmdSave_Click();

    QLabel *lblArtist = nullptr;
    QLabel *lblSong = nullptr;
    QLabel *lblAlbum = nullptr;
    QLabel *lblYear = nullptr;
    QLabel *lblComment = nullptr;
    QLabel *lblGenre = nullptr;
    QLineEdit *txtArtist = nullptr;
    QLineEdit *txtSong = nullptr;
    QLineEdit *txtAlbum = nullptr;
    QLineEdit *txtYear = nullptr;
    QLineEdit *txtComment = nullptr;
    QComboBox *txtGenre = nullptr;
    QLabel *Label2 = nullptr; // "Song Info :"
    QLabel *Label1 = nullptr; // information line
    QPushButton *cmdOpen = nullptr;
    QPushButton *cmdSave = nullptr;
    MediaTag EzyID3Pro1;

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // What stat() says of a file: another program's save changes it (times in nanoseconds).
    struct FileStamp
    {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = -1;
        qint64 modified = 0;
        qint64 statusChanged = 0;
        bool operator==(const FileStamp &) const = default;
    };
    static FileStamp stampOf(const QString &path);

    void buildControls();
    void connectControls();
    // The six fields in the component's order: song, artist, album, year, comment, genre.
    std::array<QString, TagFieldCount> fieldTexts() const;

    QPointer<MediaPlayer> m_mainPlayer;
    // The fields as filled from the open file, and the file's state when it was read.
    std::array<QString, TagFieldCount> m_filled;
    FileStamp m_stamp;
    QString m_tag;
    bool m_loaded = false;
};

} // namespace quillet
