#include "common/messagetext.h"

namespace quillet {

QString shortenedInMiddle(const QString &text, qsizetype maxLength)
{
    static const QString gap = QStringLiteral(" … ");
    if (text.size() <= maxLength || maxLength <= gap.size())
        return text;
    const qsizetype kept = maxLength - gap.size();
    qsizetype head = kept - kept / 2;
    qsizetype tail = kept / 2;
    // A pair of surrogates stays whole on both sides of the cut.
    if (text.at(head - 1).isHighSurrogate())
        --head;
    if (text.at(text.size() - tail).isLowSurrogate())
        --tail;
    return text.left(head) + gap + text.right(tail);
}

} // namespace quillet
