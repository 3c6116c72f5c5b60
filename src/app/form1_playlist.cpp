// Form1: editing the playlist, its keys and mouse, file information and playlist files.
#include "app/form1.h"

#include "common/dialogservice.h"
#include "common/entrypath.h"
#include "media/mediaplayer.h"
#include "playlist/playlistfile.h"
#include "playlist/playlistview.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QStandardPaths>

namespace quillet {

static const QString kNoFilesToRemove = QStringLiteral("No files to remove !");

void Form1::add_Click()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Open MP3 File");
    QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    request.initialDirectory = QFileInfo(music).isDir() ? music : QDir::homePath();
    const QString name = dialogs().openFileName(request);
    if (!name.isEmpty())
        List1->add(name);
}

void Form1::addurl_Click()
{
    const QString url = dialogs().inputBox(QStringLiteral("Please Enter the url :"), QStringLiteral("Add URL"));
    if (url.size() > MaxEntryLength)
        showMessage(overlongEntryMessage(url));
    else if (!url.isEmpty())
        List1->add(url);
}

void Form1::clpl_Click()
{
    List1->clear();
}

void Form1::rf_Click()
{
    if (List1->currentText().isEmpty()) {
        showMessage(kNoFilesToRemove);
        return;
    }
    const int i = List1->listIndex();
    List1->removeAt(i);
    List1->setFocus();
    const int n = List1->count();
    if (i != n && n != 0)
        List1->setListIndex(i);
    else
        List1->setListIndex(-1);
}

void Form1::removesel_Click()
{
    if (List1->currentText().isEmpty()) {
        showMessage(kNoFilesToRemove);
        return;
    }
    const int i = List1->listIndex();
    List1->setFocus();
    if (List1->selectedCount() == List1->count()) {
        List1->clear();
        return;
    }
    if (i == -1)
        return;
    const QList<int> selected = List1->selectedRows();
    // Walking downwards keeps the indices not yet visited valid.
    for (qsizetype k = selected.size() - 1; k >= 0; --k)
        List1->removeAt(selected.at(k));
    const int n = List1->count();
    if (i < n - 1 && List1->listIndex() >= 0) {
        List1->setListIndex(i);
        List1->setFocus();
    }
}

void Form1::fileinfo_Click()
{
    QString subject = MP1->fileName();
    if (subject.isEmpty()) {
        subject = List1->currentText();
        if (subject.isEmpty()) {
            showMessage(QStringLiteral("Please play a file first !"));
            return;
        }
    }
    const QFileInfo info(resolveEntry(subject, m_rootDirectory));
    if (subject.contains(QStringLiteral("://")) || !info.isFile()) {
        showMessage(QStringLiteral("No file information: %1 is not a file on this computer.").arg(subject));
        return;
    }
    const QLocale locale;
    const QString when = locale.toString(info.lastModified().date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(info.lastModified().time(), QLocale::LongFormat);
    showMessage(QStringLiteral("Last Modified : ") + when + QStringLiteral(", File Size : ")
                + QString::number(info.size()) + QStringLiteral(" Bytes, File Name : ") + subject);
}

static FileDialogRequest playlistDialogRequest()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Edit List");
    request.filter = QStringLiteral("Playlist Files(*.M3U ; *.M3U8 ; *.PLS)|*.M3U;*.M3U8;*.PLS");
    request.fileName = QString();
    return request;
}

void Form1::saveplay_Click()
{
    if (List1->count() == 0) {
        showMessage(QStringLiteral("No Files To Save !"));
        return;
    }
    const QString path = dialogs().saveFileName(playlistDialogRequest());
    if (path.isEmpty())
        return;
    const FileResult result = PlaylistFile::write(path, List1->entries());
    if (!result.ok) {
        showMessage(QStringLiteral("The playlist could not be saved. ") + result.error);
        return;
    }
    List1->setListIndex(List1->count() - 1);
}

void Form1::loadplay_Click()
{
    const QString path = dialogs().openFileName(playlistDialogRequest());
    if (path.isEmpty())
        return;
    appendPlaylistFile(path);
}

void Form1::List1_Click()
{
    const QString s = List1->currentText();
    if (s.isEmpty())
        return;
    const QString k = QString::number(List1->listIndex() + 1);
    Ezy1.fileName = resolveEntry(s, m_rootDirectory);
    Ezy1.readTag();
    Ezy1.tagOption = true;
    const QString name = displayName(s);
    Text8->setText(Ezy1.song);
    Text9->setText(Ezy1.artist);
    Text3->setText(k + QStringLiteral(". ") + Ezy1.song.trimmed() + QStringLiteral(" - ") + Ezy1.artist.trimmed());
    if ((Ezy1.song.isEmpty() && Ezy1.artist.isEmpty()) || Text3->text().isEmpty())
        Text3->setText(k + QStringLiteral(". ") + name);
}

void Form1::List1_KeyPress(QChar key)
{
    switch (key.unicode()) {
    case 13:
        startEntry();
        break;
    case '.':
    case 127: // Delete
        removesel_Click();
        break;
    case ' ':
        // Space pauses what plays and plays anything else, as a keyboard's play/pause key does.
        if (MP1->state() == MediaPlayer::State::Playing)
            command11_Click();
        else
            command9_Click();
        break;
    case '1':
    case '2':
    case '3':
        emit windowKeyPressed(key);
        break;
    case '4':
        fileinfo_Click();
        break;
    default:
        break;
    }
}

void Form1::List1_MouseMove()
{
    Text1->setText(QString::number(List1->count()));
    Text2->setText(QStringLiteral("# MP3(S)"));
}

void Form1::List1_OLEDragDrop(const QStringList &paths)
{
    List1->addMany(paths);
}

} // namespace quillet
