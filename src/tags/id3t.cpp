#include "tags/id3t.h"

#include "common/cancelkey.h"
#include "common/dialogservice.h"
#include "common/gradient.h"
#include "common/twips.h"
#include "media/mediaplayer.h"
#include "tags/genrelist.h"
#include "tags/tagnotices.h"

#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

#include <sys/stat.h>

namespace quillet {

namespace {

// The other formats whose tags the editor shows follow the MP3 files.
const QString kFilter = QStringLiteral("MP3 Files(*.MP3)|*.MP3|Audio Files(*.MP3;*.FLAC;*.OGG;*.OGA;*.OPUS;*.M4A;*.WAV;"
                                       "*.AIF;*.AIFF)|*.MP3;*.FLAC;*.OGG;*.OGA;*.OPUS;*.M4A;*.WAV;*.AIF;*.AIFF");

// A field shows a longer text read from a file whole (cutting it would lose it at the next save), but the
// keyboard adds nothing beyond the field length.
void setFieldText(QLineEdit *field, const QString &text)
{
    field->setMaxLength(qMax(id3t::FieldLength, int(text.size())));
    field->setText(text);
}

// True when both names lead to the same file (through symbolic links or hard links too), or are the same text.
bool sameFile(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    struct stat first
    {
    };
    struct stat second
    {
    };
    return ::stat(QFile::encodeName(a).constData(), &first) == 0
        && ::stat(QFile::encodeName(b).constData(), &second) == 0 && first.st_dev == second.st_dev
        && first.st_ino == second.st_ino;
}

} // namespace

id3t::id3t(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("ID3 Tag Editor"));
    // A save closes the editor; the next one opens afresh on the then loaded file.
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    connectControls();
    TagNotices::showWhileOpen(this);
    resize(twipsToPixels(5760, logicalDpiX()), twipsToPixels(4200, logicalDpiY()));
}

void id3t::buildControls()
{
    auto makeLabel = [this](const QString &text) {
        auto *label = new QLabel(text, this);
        // Light text stays readable on the black-to-blue background.
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::white);
        label->setPalette(palette);
        return label;
    };
    auto makeField = [this] {
        auto *field = new QLineEdit(this);
        field->setMaxLength(FieldLength);
        return field;
    };
    lblArtist = makeLabel(QStringLiteral("Artist"));
    lblSong = makeLabel(QStringLiteral("Song"));
    lblAlbum = makeLabel(QStringLiteral("Album"));
    lblYear = makeLabel(QStringLiteral("Year"));
    lblComment = makeLabel(QStringLiteral("Comment"));
    lblGenre = makeLabel(QStringLiteral("Genre"));
    txtArtist = makeField();
    txtSong = makeField();
    txtAlbum = makeField();
    txtYear = makeField();
    txtComment = makeField();
    txtGenre = new QComboBox(this);
    txtGenre->setEditable(true);
    // Typed genres are saved as they are, not added to the list.
    txtGenre->setInsertPolicy(QComboBox::NoInsert);
    txtGenre->addItems(genreList());
    txtGenre->setCurrentIndex(-1);
    txtGenre->lineEdit()->setMaxLength(FieldLength);
    txtGenre->lineEdit()->setAccessibleName(QStringLiteral("Genre"));
    Label2 = makeLabel(QStringLiteral("Song Info :"));
    Label1 = makeLabel(QString());
    Label1->setWordWrap(true);
    cmdOpen = new QPushButton(QStringLiteral("&Open"), this);
    cmdSave = new QPushButton(QStringLiteral("&Save"), this);

    auto *grid = new QGridLayout(this);
    const std::pair<QLabel *, QWidget *> rows[] = {{lblArtist, txtArtist}, {lblSong, txtSong}, {lblAlbum, txtAlbum},
        {lblYear, txtYear}, {lblComment, txtComment}, {lblGenre, txtGenre}};
    int row = 0;
    for (const auto &[label, field] : rows) {
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        ++row;
    }
    grid->addWidget(Label2, row, 0, Qt::AlignTop);
    grid->addWidget(Label1, row, 1);
    grid->setRowStretch(++row, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdOpen);
    buttons->addWidget(cmdSave);
    grid->addLayout(buttons, ++row, 0, 1, 2);
    grid->setColumnStretch(1, 1);
}

void id3t::connectControls()
{
    connect(cmdOpen, &QPushButton::clicked, this, &id3t::cmdOpen_Click);
    connect(cmdSave, &QPushButton::clicked, this, &id3t::cmdSave_Click);
    addCancelKey(this, [this] { close(); });
}

void id3t::setMainPlayer(MediaPlayer *player)
{
    m_mainPlayer = player;
}

id3t::FileStamp id3t::stampOf(const QString &path)
{
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    const auto nanoseconds = [](const timespec &t) { return qint64(t.tv_sec) * 1000000000 + t.tv_nsec; };
    return {quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size), nanoseconds(status.st_mtim),
        nanoseconds(status.st_ctim)};
}

std::array<QString, TagFieldCount> id3t::fieldTexts() const
{
    return {txtSong->text(), txtArtist->text(), txtAlbum->text(), txtYear->text(), txtComment->text(),
        txtGenre->currentText()};
}

void id3t::openFile(const QString &path)
{
    // Noted before the read: a change while it runs then counts as a change after it.
    m_stamp = stampOf(path);
    EzyID3Pro1.fileName = path;
    EzyID3Pro1.tagOption = true;
    EzyID3Pro1.readTag();
    setFieldText(txtArtist, EzyID3Pro1.artist);
    setFieldText(txtSong, EzyID3Pro1.song);
    setFieldText(txtAlbum, EzyID3Pro1.album);
    setFieldText(txtGenre->lineEdit(), EzyID3Pro1.genre);
    setFieldText(txtYear, EzyID3Pro1.year);
    setFieldText(txtComment, EzyID3Pro1.comment);
    Label1->setText(EzyID3Pro1.factsText());
    m_filled = fieldTexts();
}

void id3t::Form_Load()
{
    m_loaded = true;
    m_tag = m_mainPlayer ? m_mainPlayer->fileName() : QString();
    if (!m_tag.isEmpty())
        openFile(m_tag);
}

void id3t::cmdOpen_Click()
{
    FileDialogRequest request;
    request.filter = kFilter;
    const QString path = dialogs().openFileName(request);
    if (!path.isEmpty())
        openFile(path);
}

void id3t::cmdSave_Click()
{
    // The tag goes into the open file; a save dialog would offer a choice that is not taken.
    const QString target = EzyID3Pro1.fileName;
    if (target.isEmpty()) {
        dialogs().message(QStringLiteral("There Is No File To Save !"));
        return;
    }
    // The player keeps the name of a stopped file; only a file it has open may not be written, whatever name
    // (a link, a folder reached through a link) it was opened by.
    if (m_mainPlayer && sameFile(target, m_mainPlayer->fileName())
        && m_mainPlayer->state() != MediaPlayer::State::Stopped) {
        dialogs().message(QStringLiteral("Cannot Save File While Playing"));
        return;
    }
    // Only the fields changed here are written, so what another program wrote into the others stays.
    const std::array<QString, TagFieldCount> texts = fieldTexts();
    std::array<bool, TagFieldCount> edited {};
    for (int f = 0; f < TagFieldCount; ++f)
        edited[f] = texts[f] != m_filled[f];
    const bool anyEdited = std::find(edited.cbegin(), edited.cend(), true) != edited.cend();
    if (anyEdited && stampOf(target) != m_stamp) {
        const QString reload = QStringLiteral("Reload");
        const QString overwrite = QStringLiteral("Overwrite");
        const QString answer = dialogs().question(
            QStringLiteral("%1 was changed by another program after the editor read it.\n\nReload shows the file as it "
                           "is now and drops the changes made here; Overwrite saves the fields changed here into it.")
                .arg(target),
            {reload, overwrite, QStringLiteral("Cancel")});
        if (answer == reload)
            openFile(target);
        if (answer != overwrite)
            return;
    }
    EzyID3Pro1.song = texts[Song];
    EzyID3Pro1.artist = texts[Artist];
    EzyID3Pro1.album = texts[Album];
    EzyID3Pro1.year = texts[Year];
    EzyID3Pro1.comment = texts[Comment];
    EzyID3Pro1.genre = texts[Genre];
    EzyID3Pro1.fileName = target;
    if (!EzyID3Pro1.writeTag(edited)) {
        // The window stays open with the edits, so the user can try again once the cause is gone.
        QString reason = EzyID3Pro1.lastError();
        if (!reason.contains(target))
            reason = target + QStringLiteral(": ") + reason;
        dialogs().message(QStringLiteral("The tag was not saved. ") + reason);
        return;
    }
    dialogs().message(QStringLiteral("Please Restart This Window after saving"));
    close();
}

void id3t::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_loaded)
        Form_Load();
}

void id3t::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintGradient(painter, rect());
}

} // namespace quillet
