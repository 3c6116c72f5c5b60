#pragma once

#include <QString>

#include <exception>

namespace quillet {

// An error with a number, a description and the name of the component that raised it. The region class
// raises these to its callers; callers catch them and decide what the user sees.
class NumberedError : public std::exception
{
public:
    NumberedError(int number, const QString &description, const QString &source);

    // The error number, e.g. 26010.
    int number() const { return m_number; }
    // The description, e.g. "No region to save".
    QString description() const { return m_description; }
    // The component that raised it, e.g. "quillet.cDIBSectionRegion".
    QString source() const { return m_source; }
    // The description as UTF-8.
    const char *what() const noexcept override;

private:
    int m_number;
    QString m_description;
    QString m_source;
    QByteArray m_what;
};

} // namespace quillet
