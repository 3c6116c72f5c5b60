#include "appearance/numberederror.h"

namespace quillet {

NumberedError::NumberedError(int number, const QString &description, const QString &source)
    : m_number(number)
    , m_description(description)
    , m_source(source)
    , m_what(description.toUtf8())
{
}

const char *NumberedError::what() const noexcept
{
    return m_what.constData();
}

} // namespace quillet
