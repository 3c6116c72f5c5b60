#pragma once

#include <QString>

namespace quillet {

// The application name: the running executable's base name ("quillet" as installed).
QString applicationName();

// Where the user's own files live (default playlists, default skin): QUILLET_DATA_DIR when set, otherwise
// $XDG_DATA_HOME/<application name>. Not created here.
QString dataDirectory();

// Where the settings file lives: QUILLET_CONFIG_DIR when set, otherwise $XDG_CONFIG_HOME/<application name>.
QString configDirectory();

// Where files that can be made again live (the cover shown by the desktop's media controls):
// $XDG_CACHE_HOME/<application name>. Not created here.
QString cacheDirectory();

// A file in the data directory, e.g. dataFile("default.m3u").
QString dataFile(const QString &name);

} // namespace quillet
