#pragma once

#include <QRegularExpression>
#include <QString>

namespace quillet {

// A file list pattern: wildcards separated by semicolons ("*.mp3;*.wav"), matched against whole file names
// without regard to case. "*" stands for any run of characters and "?" for one. A wildcard that ends with a
// dot ("*.") matches names without an extension, as on the system the lists come from.
class FilePattern
{
public:
    explicit FilePattern(const QString &pattern = QString());

    // The pattern text as given.
    QString text() const { return m_text; }
    // Whether the file name matches one of the wildcards.
    bool matches(const QString &name) const;
    // The names of the files of a folder (and of links to files) that match, hidden files left out, in alphabetical
    // order without regard to case.
    QStringList namesIn(const QString &folder) const;

private:
    QString m_text;
    QRegularExpression m_expression;
};

// The pattern of the directory browser's file list: the media and playlist types it shows, the audio formats whose
// tags Quillet reads among them.
QString browserFilePattern();

} // namespace quillet
