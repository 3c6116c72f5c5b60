#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Makes a 44.1 kHz stereo 128 kbit/s MP3 of a 440 Hz tone with an ID3v2.3 tag (album "Bench Album"), with ffmpeg;
// extra arguments go before the output path. False when ffmpeg is missing or fails.
inline bool makeBenchMp3(const QString &path, const QString &seconds, const QStringList &extra = {})
{
    QStringList arguments = {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                             QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                             QStringLiteral("sine=frequency=440:sample_rate=44100:duration=") + seconds,
                             QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"),
                             QStringLiteral("libmp3lame"), QStringLiteral("-b:a"), QStringLiteral("128k"),
                             QStringLiteral("-id3v2_version"), QStringLiteral("3"), QStringLiteral("-metadata"),
                             QStringLiteral("album=Bench Album")};
    arguments << extra << path;
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), arguments);
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}
