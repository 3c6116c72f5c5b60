#include "appearance/skinfile.h"

#include "common/appdirs.h"
#include "common/rounding.h"

#include <QFileInfo>

#include <cmath>
#include <limits>
#include <optional>

namespace quillet {

namespace {

// Skin files are a few hundred bytes; anything far larger is not a skin file.
constexpr qint64 MaxSkinFileBytes = 1 << 20;

// A line read as a whole number between minimum and maximum. Blanks around it are ignored; a decimal fraction is
// rounded half to even, as the program that first wrote these files converted numbers.
std::optional<qint64> number(const QString &line, qint64 minimum, qint64 maximum)
{
    const QString text = line.trimmed();
    bool ok = false;
    qint64 value = text.toLongLong(&ok);
    if (!ok) {
        const double real = text.toDouble(&ok);
        if (!ok || !std::isfinite(real) || std::abs(real) > 1e18)
            return std::nullopt;
        value = roundHalfEven(real);
    }
    if (value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

SkinFile::ReadResult unusable(const QString &reason)
{
    SkinFile::ReadResult result;
    result.status = SkinFile::Status::Unusable;
    result.error = reason;
    return result;
}

} // namespace

QString SkinFile::numberText(qint64 value)
{
    // A positive number has a blank where a negative one has its minus sign.
    return (value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value)) + QLatin1Char(' ');
}

QStringList SkinFile::lines(const Skin &skin)
{
    return {
        numberText(skin.backgroundColour),
        numberText(skin.textColour),
        numberText(skin.gradientOn),
        numberText(skin.pictureOn),
        skin.pictureFile,
        skin.fontName,
        numberText(skin.gradientRed),
        numberText(skin.gradientGreen),
        numberText(skin.gradientSpread),
        QStringLiteral("[Dont edit these values]"),
    };
}

SkinFile::ReadResult SkinFile::parse(const QStringList &lines)
{
    if (lines.isEmpty() || lines.first().isEmpty())
        return {};
    if (lines.size() < 9)
        return unusable(QStringLiteral("it has fewer than nine lines."));

    constexpr qint64 int32Min = std::numeric_limits<qint32>::min();
    constexpr qint64 int32Max = std::numeric_limits<qint32>::max();
    // Line numbers count from 1 as the user sees them in an editor.
    const auto colour = [&lines](int line) { return number(lines.at(line - 1), int32Min, int32Max); };
    const auto flag = [&lines](int line) { return number(lines.at(line - 1), 0, 1); };
    const auto level = [&lines](int line) { return number(lines.at(line - 1), 0, 255); };

    const std::optional<qint64> background = colour(1);
    const std::optional<qint64> text = colour(2);
    if (!background)
        return unusable(QStringLiteral("line 1 is not a colour number."));
    if (!text)
        return unusable(QStringLiteral("line 2 is not a colour number."));
    const std::optional<qint64> gradientOn = flag(3);
    const std::optional<qint64> pictureOn = flag(4);
    if (!gradientOn)
        return unusable(QStringLiteral("line 3 is not 0 or 1."));
    if (!pictureOn)
        return unusable(QStringLiteral("line 4 is not 0 or 1."));
    const std::optional<qint64> red = level(7);
    const std::optional<qint64> green = level(8);
    const std::optional<qint64> spread = level(9);
    for (const auto &[value, line] : {std::pair {red, 7}, std::pair {green, 8}, std::pair {spread, 9}}) {
        if (!value)
            return unusable(QStringLiteral("line %1 is not a number from 0 to 255.").arg(line));
    }

    ReadResult result;
    result.status = Status::Read;
    result.skin.backgroundColour = qint32(*background);
    result.skin.textColour = qint32(*text);
    result.skin.gradientOn = qint16(*gradientOn);
    result.skin.pictureOn = qint16(*pictureOn);
    result.skin.pictureFile = lines.at(4);
    result.skin.fontName = lines.at(5);
    result.skin.gradientRed = qint16(*red);
    result.skin.gradientGreen = qint16(*green);
    result.skin.gradientSpread = qint16(*spread);
    return result;
}

SkinFile::ReadResult SkinFile::read(const QString &path)
{
    if (!QFileInfo::exists(path))
        return {};
    QByteArray bytes;
    const FileResult file = readWholeFile(path, &bytes, MaxSkinFileBytes);
    if (!file.ok)
        return unusable(file.error);
    return parse(splitTextLines(bytes));
}

FileResult SkinFile::write(const QString &path, const Skin &skin)
{
    return writeLinesAtomically(path, lines(skin));
}

QString SkinFile::defaultSkinPath()
{
    return dataFile(QStringLiteral("default.qsk"));
}

} // namespace quillet
