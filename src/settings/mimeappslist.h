#pragma once

#include <QString>
#include <QStringList>

namespace quillet {

// Edits the text of a freedesktop mimeapps.list, keeping everything it does not change (other groups, other
// types, comments, the other applications listed for a type).
class MimeAppsList
{
public:
    // The text with desktopId first in the "[Default Applications]" line of each MIME type (the group and lines
    // are added where missing; other applications stay after it, in their order). Applying it twice gives the
    // same text.
    static QString withDefaults(const QString &text, const QStringList &mimeTypes, const QString &desktopId);
};

} // namespace quillet
