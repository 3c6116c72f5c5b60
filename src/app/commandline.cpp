#include "app/commandline.h"

#include <QDir>
#include <QFileInfo>

namespace quillet {

static const QChar kSeparator(u'\0');

QString CommandLine::resolve(const QString &text, const QString &workingDirectory)
{
    if (text.isEmpty() || text.contains(QLatin1Char(':')) || text.startsWith(QLatin1Char('/')))
        return text;
    return QDir::cleanPath(QDir(workingDirectory).absoluteFilePath(text));
}

QStringList CommandLine::texts(const QStringList &arguments, const QString &workingDirectory)
{
    const QString whole = resolve(arguments.join(QLatin1Char(' ')), workingDirectory);
    if (arguments.size() < 2 || QFileInfo::exists(whole))
        return whole.isEmpty() ? QStringList() : QStringList {whole};
    QStringList each;
    for (const QString &argument : arguments) {
        const QString text = resolve(argument, workingDirectory);
        // Anything else (a word of a name with blanks that does not exist) keeps the whole text together, which
        // then tells the user that no such file is there.
        if (!text.contains(QStringLiteral("://")) && !QFileInfo::exists(text))
            return {whole};
        each.append(text);
    }
    return each;
}

QString CommandLine::join(const QStringList &texts)
{
    return texts.join(kSeparator);
}

QStringList CommandLine::split(const QString &message)
{
    return message.isEmpty() ? QStringList() : message.split(kSeparator);
}

} // namespace quillet
