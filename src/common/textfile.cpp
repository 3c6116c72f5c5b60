#include "common/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <cstring>

namespace quillet {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; the five unassigned codes map to themselves.
static const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString decodeLine(QByteArrayView line)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(line);
    if (!utf8.hasError())
        return text;
    text.clear();
    text.reserve(line.size());
    for (char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        text.append(byte >= 0x80 && byte < 0xA0 ? QChar(kCp1252High[byte - 0x80]) : QChar(char16_t(byte)));
    }
    return text;
}

// Splits decoded text at CR LF, CR and LF.
static QStringList splitDecoded(const QString &text)
{
    QStringList lines;
    const QChar *data = text.constData();
    const qsizetype size = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        // Skip four code units at a time while none is below 0x0E (CR and LF are 0x0D and 0x0A): a lane below it
        // sets its top bit after the subtraction while its own top bit is clear. Only whether some lane is below
        // matters; borrows past such a lane do not.
        constexpr quint64 Lanes = 0x0001000100010001;
        for (quint64 w; size - i >= 4; i += 4) {
            std::memcpy(&w, data + i, sizeof w);
            if ((w - 0x0E * Lanes) & ~w & (0x8000 * Lanes))
                break;
        }
        if (i == size)
            break;
        const char16_t c = data[i].unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(QString(data + start, i - start));
        if (c == u'\r' && i + 1 < size && data[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(QString(data + start, size - start));
    return lines;
}

QStringList splitTextLines(const QByteArray &bytes)
{
    // Most files are UTF-8 throughout: decode them in one go.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString whole = utf8.decode(bytes);
    if (!utf8.hasError())
        return splitDecoded(whole);

    QStringList lines;
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(decodeLine(QByteArrayView(data + start, i - start)));
        if (c == '\r' && i + 1 < size && data[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(decodeLine(QByteArrayView(data + start, size - start)));
    return lines;
}

FileResult readWholeFile(const QString &path, QByteArray *bytes, qint64 maxBytes)
{
    QFile file(path);
    if (QFileInfo(path).isDir())
        return {false, QStringLiteral("%1 is a folder, not a file.").arg(path)};
    if (!file.open(QIODevice::ReadOnly))
        return {false, QStringLiteral("Cannot read %1: %2").arg(path, file.errorString())};
    if (file.size() > maxBytes)
        return {false, QStringLiteral("Cannot read %1: the file is too large.").arg(path)};
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {false, QStringLiteral("Cannot read %1: %2").arg(path, file.errorString())};
    return {};
}

FileResult writeLinesAtomically(const QString &path, const QStringList &lines)
{
    const QString directory = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(directory))
        return {false, QStringLiteral("Cannot write %1: the folder %2 cannot be created.").arg(path, directory)};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString())};
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    // Flush before commit: a short write found only while committing (a full disk, a file size limit) is not
    // reported by commit() and would replace the old file with a cut-off one.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return {false, QStringLiteral("Cannot write %1: %2").arg(path, reason)};
    }
    if (!file.commit())
        return {false, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString())};
    return {};
}

} // namespace quillet
