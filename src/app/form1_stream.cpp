#include "app/form1.h"

#include "app/trayicon.h"
#include "common/entrypath.h"
#include "media/mediaplayer.h"

#include <QLineEdit>

namespace quillet {

void Form1::MP1_StreamTitleChanged()
{
    // A file shows its own tag; only a stream's station names the song playing.
    const QString stream = MP1->fileName();
    if (!isUrl(stream))
        return;
    // Between songs a station may send no title: the stream is then shown by its name, as when it opened.
    const QString title = MP1->streamTitle();
    Text4->setText(title.isEmpty() ? Ezy1.song : title);
    setWindowTitle(QStringLiteral(" Quillet MP3 Player - ") + (title.isEmpty() ? displayName(stream) : title)
        + QStringLiteral(".."));
    m_tray->record.tip = QStringLiteral("Quillet -  ") + Text4->text() + QStringLiteral(", ") + Text5->text();
    m_tray->modify();
}

} // namespace quillet
