#pragma once

#include <QString>

namespace quillet {

// A failed load told to the user: what went wrong and a short tip on how to solve it.
struct PlaybackError
{
    QString description;
    QString tip;

    // Describes the failed load of name from mpv's error code, the engine's error log lines of that load and how
    // long it ran; networkTimeoutMs is the engine's network timeout, which a silent server runs into.
    static PlaybackError describe(
        int mpvError, const QString &name, const QString &log, qint64 elapsedMs, int networkTimeoutMs);
    // The error of a player whose engine could not be started.
    static PlaybackError engineMissing();
};

} // namespace quillet
