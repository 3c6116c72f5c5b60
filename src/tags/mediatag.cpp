#include "tags/mediatag.h"

#include "tags/formattag.h"
#include "tags/formattagwriter.h"
#include "tags/mpegprobe.h"
#include "tags/tagfilewriter.h"

namespace quillet {

namespace {

// The six text fields, between the tag components and the texts a save is given.
template<typename To, typename From> void copyTexts(To &to, const From &from)
{
    to.song = from.song;
    to.artist = from.artist;
    to.album = from.album;
    to.year = from.year;
    to.comment = from.comment;
    to.genre = from.genre;
}

} // namespace

void MediaTag::readTag()
{
    // The ID3 tag component looks at the first bytes of every file, reads MPEG audio and leaves the rest alone.
    m_mpeg.fileName = fileName;
    m_mpeg.readTag();
    copyTexts(*this, m_mpeg);
    m_sampleRate = m_mpeg.sampleRate();
    m_bitRate = m_mpeg.bitRate();
    m_mpegVersion = m_mpeg.mpegVersion();
    m_formatName.clear();
    if (m_sampleRate > 0)
        return;
    const AudioFormat format = FormatTag::identify(MpegProbe::lastHead(fileName));
    FormatTag other;
    if (!other.read(fileName, format))
        return;
    copyTexts(*this, other);
    m_sampleRate = other.sampleRate / 1000;
    m_bitRate = other.bitRate;
    m_mpegVersion = 0;
    m_formatName = FormatTag::formatName(format);
}

QString MediaTag::factsText() const
{
    // The numbers are small; the lines were made for 16-bit integers.
    const QString rates = QStringLiteral("Sample Rate : %1 KHz And Data Rate : %2 KBPS In ")
                              .arg(qint16(m_sampleRate))
                              .arg(qint16(m_bitRate));
    if (!m_formatName.isEmpty())
        return rates + QStringLiteral("Format : ") + m_formatName;
    return rates + QStringLiteral("Mpeg Version : ") + QString::number(qint16(m_mpegVersion));
}

bool MediaTag::writeTag()
{
    std::array<bool, TagFieldCount> all;
    all.fill(true);
    return writeTag(all);
}

bool MediaTag::writeTag(const std::array<bool, TagFieldCount> &fields)
{
    m_lastError.clear();
    // A save that a crash cut short is undone before the file's format is looked at.
    if (!fileName.isEmpty() && !TagFileWriter::recover(fileName, &m_lastError))
        return false;
    // MPEG audio, and anything that is no other format, is the ID3 tag component's: it saves MPEG audio and
    // refuses the rest.
    const AudioFormat format = FormatTag::detect(fileName);
    if (format == AudioFormat::Mpeg || format == AudioFormat::Unknown) {
        m_mpeg.fileName = fileName;
        copyTexts(m_mpeg, *this);
        const bool saved = m_mpeg.writeTag(fields);
        m_lastError = m_mpeg.lastError();
        return saved;
    }
    TagTexts values;
    copyTexts(values, *this);
    return FormatTagWriter::write(fileName, format, values, fields, &m_lastError);
}

} // namespace quillet
