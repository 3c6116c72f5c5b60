#include "media/playbackerror.h"

#include <QFileInfo>
#include <QStringList>
#include <QUrl>

#include <mpv/client.h>

namespace quillet {

namespace {

enum class ErrorKind {
    EngineMissing,
    FileNotFound,
    UnknownFormat,
    HostNotFound,
    ConnectionRefused,
    NetworkTimeout,
    NetworkFailure,
    NoAudioDevice,
    Other,
};

// Addresses that mpv opens over the network; anything else (including "C:\..." from another system) is a path.
bool isNetworkAddress(const QString &name)
{
    static const QStringList schemes
        = QStringLiteral("http https ftp sftp rtsp rtsps rtmp rtmps rtp mms mmsh mmst udp tcp srt smb")
              .split(QLatin1Char(' '));
    return schemes.contains(QUrl(name).scheme(), Qt::CaseInsensitive);
}

QString localPath(const QString &name)
{
    const QUrl url(name);
    return url.isLocalFile() ? url.toLocalFile() : name;
}

ErrorKind classify(int mpvError, const QString &name, const QString &log, qint64 elapsedMs, int networkTimeoutMs)
{
    if (mpvError == MPV_ERROR_AO_INIT_FAILED)
        return ErrorKind::NoAudioDevice;
    if (isNetworkAddress(name)) {
        if (log.contains(QLatin1String("refused"), Qt::CaseInsensitive))
            return ErrorKind::ConnectionRefused;
        if (log.contains(QLatin1String("resolve"), Qt::CaseInsensitive)
            || log.contains(QLatin1String("not known"), Qt::CaseInsensitive))
            return ErrorKind::HostNotFound;
        // A silent server leaves no message of its own: the load simply fails when the timeout runs out.
        if (log.contains(QLatin1String("timed out"), Qt::CaseInsensitive) || elapsedMs >= networkTimeoutMs - 500)
            return ErrorKind::NetworkTimeout;
        if (mpvError == MPV_ERROR_UNKNOWN_FORMAT || mpvError == MPV_ERROR_NOTHING_TO_PLAY)
            return ErrorKind::UnknownFormat;
        return ErrorKind::NetworkFailure;
    }
    if (!QFileInfo::exists(localPath(name)))
        return ErrorKind::FileNotFound;
    if (mpvError == MPV_ERROR_UNKNOWN_FORMAT || mpvError == MPV_ERROR_NOTHING_TO_PLAY)
        return ErrorKind::UnknownFormat;
    return ErrorKind::Other;
}

QString describeKind(ErrorKind kind, const QString &name, const QString &reason)
{
    switch (kind) {
    case ErrorKind::EngineMissing:
        return QStringLiteral("The playback engine (libmpv) could not be started.");
    case ErrorKind::FileNotFound:
        return QStringLiteral("The file \"%1\" was not found.").arg(name);
    case ErrorKind::UnknownFormat:
        return QStringLiteral("\"%1\" is not in a sound or video format that can be played (%2).").arg(name, reason);
    case ErrorKind::HostNotFound:
        return QStringLiteral("The server named in \"%1\" could not be found.").arg(name);
    case ErrorKind::ConnectionRefused:
        return QStringLiteral("The server refused the connection to \"%1\".").arg(name);
    case ErrorKind::NetworkTimeout:
        return QStringLiteral("The server did not answer in time for \"%1\".").arg(name);
    case ErrorKind::NetworkFailure:
        return QStringLiteral("\"%1\" could not be opened over the network (%2).").arg(name, reason);
    case ErrorKind::NoAudioDevice:
        return QStringLiteral("No audio device could be opened to play \"%1\".").arg(name);
    case ErrorKind::Other:
        break;
    }
    return QStringLiteral("\"%1\" could not be played (%2).").arg(name, reason);
}

QString tipFor(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::EngineMissing:
        return QStringLiteral("Reinstall the mpv library (libmpv) and start Quillet again.");
    case ErrorKind::FileNotFound:
        return QStringLiteral("Check that the file exists and that its folder and name are spelled correctly.");
    case ErrorKind::UnknownFormat:
        return QStringLiteral("Make sure it is a sound or video file and is not damaged; try converting it to MP3.");
    case ErrorKind::HostNotFound:
        return QStringLiteral("Check the spelling of the address and that the computer is connected to the network.");
    case ErrorKind::ConnectionRefused:
        return QStringLiteral("Check the address and port number, and make sure the server is running.");
    case ErrorKind::NetworkTimeout:
        return QStringLiteral("The server may be busy or offline: check the network connection and try again later.");
    case ErrorKind::NetworkFailure:
        return QStringLiteral("Check the network connection and the address, then try again.");
    case ErrorKind::NoAudioDevice:
        return QStringLiteral("Check that a sound card or headset is connected, not in use by another program, and "
                              "that the sound system is running.");
    case ErrorKind::Other:
        break;
    }
    return QStringLiteral("Check that the file can be read, or try another file.");
}

} // namespace

PlaybackError PlaybackError::describe(
    int mpvError, const QString &name, const QString &log, qint64 elapsedMs, int networkTimeoutMs)
{
    const ErrorKind kind = classify(mpvError, name, log, elapsedMs, networkTimeoutMs);
    return {describeKind(kind, name, QString::fromUtf8(mpv_error_string(mpvError))), tipFor(kind)};
}

PlaybackError PlaybackError::engineMissing()
{
    return {describeKind(ErrorKind::EngineMissing, {}, {}), tipFor(ErrorKind::EngineMissing)};
}

} // namespace quillet
