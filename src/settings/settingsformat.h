#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSettings>

namespace quillet {

// The text of the settings file: INI as Qt writes it ("[Opening%20Files]", "Auto%20Play=1", values quoted and
// escaped as Qt does), read and written by this program's own functions, which QSettings calls through a format of
// its own. Reading works on the bytes alone, so it can be tried on any text in memory, and it never fails: a line
// that is neither a section nor a key with a value is passed over.
class SettingsFormat
{
public:
    // The QSettings format that reads with parse() and writes with text(); registered on first use.
    static QSettings::Format format();
    // The values of an INI text by "Section/Key" ("Key" alone for the [General] section), as QSettings' own INI
    // reader gives them for texts: a later key wins over an earlier one; a value that is a list or a typed value
    // other than text reads as the empty text, and "@Invalid()" as no value.
    static QSettings::SettingsMap parse(QByteArrayView text);
    // The INI text of the values, which parse() reads back as the same texts.
    static QByteArray text(const QSettings::SettingsMap &values);
};

} // namespace quillet
