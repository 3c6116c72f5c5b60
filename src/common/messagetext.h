#pragma once

#include <QString>

namespace quillet {

// The longest text a message box shows. Laying out a text of megabytes freezes the window for minutes, and no one
// reads that much in a box anyway.
constexpr qsizetype MaxMessageLength = 1000;

// The text unchanged, or, when it is longer than maxLength, its beginning and its end joined by " … ", maxLength
// characters in all: the start of a sentence and the end of a path (the file's name) both stay.
QString shortenedInMiddle(const QString &text, qsizetype maxLength = MaxMessageLength);

} // namespace quillet
