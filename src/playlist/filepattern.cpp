#include "playlist/filepattern.h"

#include <QDir>
#include <QStringList>

#include <algorithm>

namespace quillet {

namespace {

// One wildcard as a regular expression. In a wildcard ending with a dot, the dot means "no extension": the
// rest of the wildcard must match a name that holds no dot at all.
QString wildcardExpression(QString wildcard)
{
    bool noExtension = false;
    if (wildcard.endsWith(QLatin1Char('.'))) {
        noExtension = true;
        while (wildcard.endsWith(QLatin1Char('.')))
            wildcard.chop(1);
    }
    const QString any = noExtension ? QStringLiteral("[^.]*") : QStringLiteral(".*");
    const QString one = noExtension ? QStringLiteral("[^.]") : QStringLiteral(".");
    QString expression;
    for (const QChar c : std::as_const(wildcard)) {
        if (c == QLatin1Char('*'))
            expression += any;
        else if (c == QLatin1Char('?'))
            expression += one;
        else
            expression += QRegularExpression::escape(QString(c));
    }
    return expression;
}

} // namespace

FilePattern::FilePattern(const QString &pattern)
    : m_text(pattern)
{
    QStringList parts;
    const QStringList wildcards = pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &wildcard : wildcards)
        parts << QStringLiteral("(?:") + wildcardExpression(wildcard.trimmed()) + QLatin1Char(')');
    // No wildcard at all matches nothing.
    const QString body = parts.isEmpty() ? QStringLiteral("(?!)") : parts.join(QLatin1Char('|'));
    m_expression = QRegularExpression(QRegularExpression::anchoredPattern(body),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
}

bool FilePattern::matches(const QString &name) const
{
    return m_expression.match(name).hasMatch();
}

QStringList FilePattern::namesIn(const QString &folder) const
{
    // Files and links to files; hidden files stay out as in any file manager.
    const QStringList all = QDir(folder).entryList(QDir::Files);
    QStringList names;
    for (const QString &name : all) {
        if (matches(name))
            names << name;
    }
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    return names;
}

QString browserFilePattern()
{
    return QStringLiteral(
        "*.mp3;*.wma;*.mp2;*.mp1;*m3u;*.m3u8;*.pls;*.wav;*.mdi;*.rmi;*.pcm;*.asf;*.mpg;*.mpeg;*.wmx;*.asx;"
        "*.;*.wm;*.wmp;*.wax;*.wmv;*.wvx;*.avi;*.mpe;*.m1v;*.mpv2;*.mp2v;*.mpa;*.midi;*.ivf;*.aiv;"
        "*.aifc;*.aiff;*.au;*.snd;*.flac;*.ogg;*.oga;*.opus;*.m4a");
}

} // namespace quillet
