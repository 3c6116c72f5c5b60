#include "tags/mpegprobe.h"

#include <QFile>
#include <QScopeGuard>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace quillet {

namespace {

// A file up to this size is read by the tag reader in a few milliseconds whatever it holds.
constexpr qint64 SmallFileBytes = 1024 * 1024;
// The tag reader reads a whole ID3v2 tag into memory; a larger one than this (cover art runs to a few MiB) would
// keep the reader busy for longer than a click may take.
constexpr qint64 MaxId3v2Bytes = 32 * 1024 * 1024;
constexpr qint64 Id3v2HeaderBytes = 10;
constexpr qint64 Id3v1Bytes = 128;
constexpr qint64 ApeFooterBytes = 32;

thread_local qint64 bytesRead = 0;
thread_local QString headFile;
thread_local QByteArray head;

// The descriptor of the last file found to hold another container, kept open for that format's tag reader.
struct KeptFile
{
    int fd = -1;
    ~KeptFile() { release(); }
    void release()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};
thread_local KeptFile kept;

// Kilobits per second by bit-rate index: MPEG-1 layers I, II, III, then MPEG-2/2.5 layer I, layers II and III.
constexpr std::array<std::array<int, 16>, 5> kBitRates = {{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
}};
// Hertz by sample-rate index: MPEG-1, MPEG-2, MPEG-2.5.
constexpr std::array<std::array<int, 3>, 3> kSampleRates = {{
    {44100, 48000, 32000},
    {22050, 24000, 16000},
    {11025, 12000, 8000},
}};

QByteArray readAt(int fd, qint64 offset, qint64 length)
{
    if (offset < 0 || length <= 0)
        return {};
    QByteArray data(length, Qt::Uninitialized);
    const ssize_t got = ::pread(fd, data.data(), size_t(length), off_t(offset));
    data.truncate(got > 0 ? qsizetype(got) : 0);
    bytesRead += data.size();
    return data;
}

bool startsWith(const QByteArray &data, qsizetype at, const char *signature, qsizetype length)
{
    return data.size() >= at + length && std::memcmp(data.constData() + at, signature, size_t(length)) == 0;
}

// The whole size of an ID3v2 tag from its ten-byte header, or 0 when head does not start with one.
qint64 id3v2Size(const QByteArray &head)
{
    if (head.size() < Id3v2HeaderBytes || !head.startsWith("ID3"))
        return 0;
    const auto *p = reinterpret_cast<const unsigned char *>(head.constData());
    if (p[3] == 0xFF || p[4] == 0xFF || ((p[6] | p[7] | p[8] | p[9]) & 0x80))
        return 0;
    const qint64 body = (qint64(p[6]) << 21) | (qint64(p[7]) << 14) | (qint64(p[8]) << 7) | qint64(p[9]);
    const bool footer = p[5] & 0x10;
    return Id3v2HeaderBytes + body + (footer ? Id3v2HeaderBytes : 0);
}

} // namespace

qint64 MpegProbe::lastBytesRead()
{
    return bytesRead;
}

QByteArray MpegProbe::lastHead(const QString &fileName)
{
    return fileName == headFile ? head : QByteArray();
}

int MpegProbe::takeLastFile(const QString &fileName)
{
    if (fileName != headFile)
        return -1;
    const int fd = kept.fd;
    kept.fd = -1;
    return fd;
}

bool MpegProbe::isOtherContainer(const QByteArray &head)
{
    static const struct
    {
        qsizetype at;
        const char *signature;
        qsizetype length;
    } kSignatures[] = {
        {0, "RIFF", 4}, // WAV, AVI
        {0, "RIFX", 4}, //
        {0, "RF64", 4}, // large WAV
        {0, "fLaC", 4}, // FLAC
        {0, "OggS", 4}, // Ogg Vorbis, Opus, Theora
        {0, "FORM", 4}, // AIFF
        {0, "\x1A\x45\xDF\xA3", 4}, // Matroska, WebM
        {4, "ftyp", 4}, // MP4, M4A, MOV, 3GP
        {4, "moov", 4}, // old QuickTime
        {4, "mdat", 4}, //
        {0, "\x30\x26\xB2\x75\x8E\x66\xCF\x11", 8}, // ASF: WMA, WMV
        {0, ".RMF", 4}, // RealMedia
        {0, "FLV", 3}, // Flash video
        {0, "\x00\x00\x01\xBA", 4}, // MPEG program stream (DVD video)
        {0, "\x00\x00\x01\xB3", 4}, // MPEG video elementary stream
        {0, "MAC ", 4}, // Monkey's Audio
        {0, "wvpk", 4}, // WavPack
        {0, "TTA1", 4}, // True Audio
        {0, "MPCK", 4}, // Musepack
        {0, "caff", 4}, // Core Audio
        {0, "MThd", 4}, // MIDI
        {0, "#!AMR", 5}, // AMR
        {0, "PK\x03\x04", 4}, // ZIP
        {0, "%PDF", 4}, //
        {0, "\x89PNG", 4}, //
    };
    for (const auto &s : kSignatures) {
        if (startsWith(head, s.at, s.signature, s.length))
            return true;
    }
    // MPEG transport stream: a sync byte every 188 bytes.
    return head.size() > 188 && head.at(0) == 0x47 && head.at(188) == 0x47;
}

int MpegProbe::frameLength(const unsigned char *p)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return 0;
    const int version = (p[1] >> 3) & 3; // 0: 2.5, 1: reserved, 2: MPEG-2, 3: MPEG-1
    const int layer = (p[1] >> 1) & 3; // 0: reserved, 1: III, 2: II, 3: I
    const int bitRateIndex = p[2] >> 4;
    const int sampleRateIndex = (p[2] >> 2) & 3;
    const int padding = (p[2] >> 1) & 1;
    if (version == 1 || layer == 0 || bitRateIndex == 0 || bitRateIndex == 15 || sampleRateIndex == 3)
        return 0;
    const bool mpeg1 = version == 3;
    const int table = mpeg1 ? 3 - layer : (layer == 3 ? 3 : 4);
    const int bitRate = kBitRates[size_t(table)][size_t(bitRateIndex)] * 1000;
    const int sampleRate = kSampleRates[size_t(mpeg1 ? 0 : (version == 2 ? 1 : 2))][size_t(sampleRateIndex)];
    if (layer == 3)
        return (12 * bitRate / sampleRate + padding) * 4;
    if (layer == 1 && !mpeg1)
        return 72 * bitRate / sampleRate + padding;
    return 144 * bitRate / sampleRate + padding;
}

qsizetype MpegProbe::findFramePair(const QByteArray &data, bool lastChunk)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data.constData());
    const qsizetype size = data.size();
    for (qsizetype i = 0; i + 4 <= size; ++i) {
        if (p[i] != 0xFF)
            continue;
        const int length = frameLength(p + i);
        if (length < 4)
            continue;
        const qsizetype next = i + length;
        if (lastChunk && next == size)
            return i;
        // The next frame must be of the same version, layer and sample rate.
        if (next + 4 <= size && frameLength(p + next) > 0 && (p[next + 1] & 0xFE) == (p[i + 1] & 0xFE)
            && (p[next + 2] & 0x0C) == (p[i + 2] & 0x0C))
            return i;
    }
    return -1;
}

namespace {

enum class Verdict { Mpeg, OtherContainer, NotMpeg };

// The probe over a file of size bytes that read(offset, length) reads from. audioHead receives the first bytes of
// the audio, after an ID3v2 tag.
template<typename Read> Verdict probe(Read read, qint64 size, QByteArray *audioHead)
{
    constexpr qint64 HeadBytes = 192;
    *audioHead = read(0, HeadBytes);
    if (MpegProbe::isOtherContainer(*audioHead))
        return Verdict::OtherContainer;
    const qint64 audioStart = id3v2Size(*audioHead);
    if (audioStart > MaxId3v2Bytes)
        return Verdict::NotMpeg;
    // A FLAC or other file may carry an ID3v2 tag in front of its own signature.
    if (audioStart > 0) {
        *audioHead = read(audioStart, HeadBytes);
        if (MpegProbe::isOtherContainer(*audioHead))
            return Verdict::OtherContainer;
    }
    // A small file needs no more: the tag reader reads it quickly whatever it holds.
    if (size <= SmallFileBytes)
        return Verdict::Mpeg;
    const QByteArray audio = read(audioStart, MpegProbe::WindowBytes);
    if (MpegProbe::findFramePair(audio, false) < 0)
        return Verdict::NotMpeg;

    // The tag reader also searches backwards from the end for the last frame: there must be one near the end.
    qint64 audioEnd = size;
    if (read(audioEnd - Id3v1Bytes, 3) == "TAG")
        audioEnd -= Id3v1Bytes;
    const QByteArray apeFooter = read(audioEnd - ApeFooterBytes, ApeFooterBytes);
    if (apeFooter.startsWith("APETAGEX")) {
        const auto *p = reinterpret_cast<const unsigned char *>(apeFooter.constData());
        const qint64 apeSize = qint64(p[12]) | (qint64(p[13]) << 8) | (qint64(p[14]) << 16) | (qint64(p[15]) << 24);
        audioEnd -= apeSize + ((p[23] & 0x80) ? ApeFooterBytes : 0);
    }
    // An ID3v2 tag appended after the audio ends with a footer that gives its size as the header does.
    const QByteArray id3v2Footer = read(audioEnd - Id3v2HeaderBytes, Id3v2HeaderBytes);
    if (id3v2Footer.startsWith("3DI")) {
        QByteArray header = id3v2Footer;
        header.replace(0, 3, "ID3");
        audioEnd -= std::min(id3v2Size(header), audioEnd);
    }
    const qint64 tailStart = std::max(audioStart, audioEnd - MpegProbe::WindowBytes);
    const QByteArray tail = read(tailStart, audioEnd - tailStart);
    return MpegProbe::findFramePair(tail, true) >= 0 ? Verdict::Mpeg : Verdict::NotMpeg;
}

} // namespace

bool MpegProbe::isMpegAudio(const QString &fileName)
{
    bytesRead = 0;
    headFile.clear();
    head.clear();
    kept.release();
    // Only regular files: a FIFO is opened without waiting for a writer and then refused, as is a device, which
    // may never end.
    if (fileName.isEmpty())
        return false;
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    headFile = fileName;
    const Verdict verdict
        = probe([fd](qint64 offset, qint64 length) { return readAt(fd, offset, length); }, qint64(status.st_size),
            &head);
    if (verdict == Verdict::OtherContainer) {
        // Another container's reader opens the file next: it takes this descriptor over.
        closeFile.dismiss();
        kept.fd = fd;
    }
    return verdict == Verdict::Mpeg;
}

bool MpegProbe::isMpegAudio(const QByteArray &data)
{
    const auto read = [&data](qint64 offset, qint64 length) {
        return offset < 0 || length <= 0 ? QByteArray() : data.mid(offset, length);
    };
    QByteArray audioHead;
    return probe(read, data.size(), &audioHead) == Verdict::Mpeg;
}

} // namespace quillet
