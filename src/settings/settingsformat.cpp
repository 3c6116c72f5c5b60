#include "settings/settingsformat.h"

#include <QIODevice>
#include <QStringDecoder>

#include <algorithm>
#include <cctype>

#include <optional>

namespace quillet {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isLineSpecial(char c)
{
    return c == '\n' || c == '\r' || c == '"' || c == ';' || c == '=' || c == '\\';
}

// The next line of the text from pos on: blanks before it skipped, a quoted part or an escaped line end going on to
// the next line, and a ";" outside quotes ending it (a line that starts with ";" is a comment and passed over).
// equals is the position of the first "=" outside quotes, -1 when there is none. False at the end of the text.
bool nextLine(QByteArrayView data, qsizetype &pos, qsizetype &lineStart, qsizetype &lineLength, qsizetype &equals)
{
    const qsizetype size = data.size();
    bool inQuotes = false;
    equals = -1;
    lineStart = pos;
    while (lineStart < size && isBlank(data[lineStart]))
        ++lineStart;
    qsizetype i = lineStart;
    bool ended = false;
    while (i < size && !ended) {
        char ch = data[i];
        while (!isLineSpecial(ch)) {
            if (++i == size)
                break;
            ch = data[i];
        }
        if (i == size)
            break;
        ++i;
        if (ch == '=') {
            if (!inQuotes && equals == -1)
                equals = i - 1;
        } else if (ch == '\n' || ch == '\r') {
            if (i == lineStart + 1) {
                ++lineStart;
            } else if (!inQuotes) {
                --i;
                ended = true;
            }
        } else if (ch == '\\') {
            if (i < size) {
                const char escaped = data[i++];
                if (i < size) {
                    const char next = data[i];
                    if ((escaped == '\n' && next == '\r') || (escaped == '\r' && next == '\n'))
                        ++i;
                }
            }
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else { // ';'
            if (i == lineStart + 1) {
                while (i < size && data[i] != '\n' && data[i] != '\r')
                    ++i;
                while (i < size && isBlank(data[i]))
                    ++i;
                lineStart = i;
            } else if (!inQuotes) {
                --i;
                ended = true;
            }
        }
    }
    pos = i;
    lineLength = i - lineStart;
    return lineLength > 0;
}

// A section or key name: "%XX" and "%UXXXX" stand for the character with that code, and "\" for "/".
QString unescapedName(QByteArrayView name)
{
    const QString decoded = QString::fromUtf8(name);
    QString result;
    result.reserve(decoded.size());
    const qsizetype size = decoded.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar ch = decoded.at(i);
        if (ch == QLatin1Char('\\')) {
            result += QLatin1Char('/');
            ++i;
            continue;
        }
        if (ch != QLatin1Char('%') || i == size - 1) {
            result += ch;
            ++i;
            continue;
        }
        qsizetype firstDigit = i + 1;
        int digits = 2;
        if (decoded.at(i + 1) == QLatin1Char('U')) {
            ++firstDigit;
            digits = 4;
        }
        bool ok = false;
        const ushort code
            = firstDigit + digits > size ? 0 : QStringView(decoded).sliced(firstDigit, digits).toUShort(&ok, 16);
        if (!ok) {
            result += QLatin1Char('%');
            ++i;
            continue;
        }
        result += QChar(code);
        i = firstDigit + digits;
    }
    return result;
}

void chopTrailingBlanks(QString &text, qsizetype limit)
{
    while (text.size() > limit && (text.back() == QLatin1Char(' ') || text.back() == QLatin1Char('\t')))
        text.chop(1);
}

// A value's text with its quotes and escapes taken away. An unquoted comma makes it a list (isList).
QString unescapedValue(QByteArrayView text, bool *isList)
{
    static constexpr char escapes[][2] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'n', '\n'}, {'r', '\r'}, {'t', '\t'},
        {'v', '\v'}, {'"', '"'}, {'?', '?'}, {'\'', '\''}, {'\\', '\\'}};
    // A byte order mark inside a value is a character of it.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString result;
    *isList = false;
    bool inQuotes = false;
    bool quoted = false;
    const qsizetype size = text.size();
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < size && (text[i] == ' ' || text[i] == '\t'))
            ++i;
    };
    skipBlanks();
    // Blanks before this position are part of the value (escaped or quoted); only later ones are trimmed.
    qsizetype chopLimit = 0;
    while (i < size) {
        const char ch = text[i];
        if (ch == '\\') {
            ++i;
            if (i >= size)
                return result;
            const char escaped = text[i++];
            const auto simple = std::find_if(
                std::begin(escapes), std::end(escapes), [escaped](const char *code) { return code[0] == escaped; });
            if (simple != std::end(escapes)) {
                result += QLatin1Char((*simple)[1]);
                chopLimit = result.size();
                continue;
            }
            const bool hex = escaped == 'x';
            if (hex || (escaped >= '0' && escaped <= '7')) {
                if (hex && (i >= size || !std::isxdigit(static_cast<unsigned char>(text[i])))) {
                    if (i >= size)
                        return result;
                    chopLimit = result.size();
                    continue;
                }
                char16_t code = hex ? 0 : char16_t(escaped - '0');
                const int base = hex ? 16 : 8;
                while (i < size) {
                    const char digit = text[i];
                    const int value = std::isxdigit(static_cast<unsigned char>(digit))
                        ? (digit <= '9' ? digit - '0' : (digit | 0x20) - 'a' + 10)
                        : 99;
                    if (value >= base)
                        break;
                    code = char16_t(code * base + value);
                    ++i;
                }
                result += QChar(code);
                if (i >= size)
                    return result;
                chopLimit = result.size();
                continue;
            }
            // An escaped line end joins the lines; any other escaped character is dropped.
            if ((escaped == '\n' || escaped == '\r') && i < size) {
                const char next = text[i];
                if ((next == '\n' || next == '\r') && next != escaped)
                    ++i;
            }
            chopLimit = result.size();
        } else if (ch == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipBlanks();
                chopLimit = result.size();
            }
        } else if (ch == ',' && !inQuotes) {
            // Only whether it is a list matters: QSettings gives a list, whose text is empty.
            *isList = true;
            result.clear();
            quoted = false;
            ++i;
            skipBlanks();
            chopLimit = 0;
        } else {
            qsizetype j = i + 1;
            while (j < size && text[j] != '\\' && text[j] != '"' && text[j] != ',')
                ++j;
            result += utf8(text.sliced(i, j - i));
            i = j;
        }
    }
    if (!quoted)
        chopTrailingBlanks(result, chopLimit);
    return result;
}

// What QSettings' value(key).toString() gives for the text of a value; nothing for "@Invalid()" and for typed
// values that it cannot read back as text.
std::optional<QString> valueText(const QString &text)
{
    if (!text.startsWith(QLatin1Char('@')))
        return text;
    if (text.endsWith(QLatin1Char(')'))) {
        if (text.startsWith(QLatin1String("@ByteArray(")))
            return QString::fromUtf8(QStringView(text).sliced(11).chopped(1).toLatin1());
        if (text.startsWith(QLatin1String("@String(")))
            return QStringView(text).sliced(8).chopped(1).toString();
        if (text.startsWith(QLatin1String("@Variant(")) || text.startsWith(QLatin1String("@DateTime("))
            || text == QLatin1String("@Invalid()"))
            return std::nullopt;
        if (text.startsWith(QLatin1String("@Rect(")) || text.startsWith(QLatin1String("@Size("))
            || text.startsWith(QLatin1String("@Point(")))
            return QString();
    }
    if (text.startsWith(QLatin1String("@@")))
        return text.sliced(1);
    return text;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

// A section or key name as Qt writes it: letters, digits, "_", "-" and "." as they are, "/" as "\", and every
// other character as "%XX" or "%UXXXX".
void appendEscapedName(QByteArray &out, QStringView name)
{
    for (const QChar c : name) {
        const char16_t ch = c.unicode();
        if (ch == u'/') {
            out += '\\';
        } else if ((ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9') || ch == u'_'
            || ch == u'-' || ch == u'.') {
            out += char(ch);
        } else if (ch <= 0xFF) {
            out += '%';
            out += kHexDigits[ch / 16];
            out += kHexDigits[ch % 16];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += kHexDigits[(ch >> shift) & 0xF];
        }
    }
}

// A value's text as Qt writes it: control characters, quotes and backslashes escaped, and the whole in quotes when
// it holds ";", "," or "=" or begins or ends with a blank.
void appendEscapedValue(QByteArray &out, const QString &text)
{
    const qsizetype start = out.size();
    bool needsQuotes = false;
    bool escapeNextIfHex = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t ch = c.unicode();
        if (ch == u';' || ch == u',' || ch == u'=')
            needsQuotes = true;
        // A hex digit right after a hex escape would be read as part of it.
        if (escapeNextIfHex && ch < 0x80 && std::isxdigit(int(ch))) {
            out += "\\x" + QByteArray::number(ch, 16);
            continue;
        }
        escapeNextIfHex = false;
        switch (ch) {
        case u'\0':
            out += "\\0";
            escapeNextIfHex = true;
            break;
        case u'\a':
            out += "\\a";
            break;
        case u'\b':
            out += "\\b";
            break;
        case u'\f':
            out += "\\f";
            break;
        case u'\n':
            out += "\\n";
            break;
        case u'\r':
            out += "\\r";
            break;
        case u'\t':
            out += "\\t";
            break;
        case u'\v':
            out += "\\v";
            break;
        case u'"':
            out += "\\\"";
            break;
        case u'\\':
            out += "\\\\";
            break;
        default:
            if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                out += QStringView(text).sliced(i, 2).toUtf8();
                ++i;
            } else if (ch <= 0x1F || c.isSurrogate()) {
                // A surrogate without its pair has no UTF-8 form; the escape keeps it.
                out += "\\x" + QByteArray::number(ch, 16);
                escapeNextIfHex = true;
            } else {
                out += QStringView(&c, 1).toUtf8();
            }
        }
    }
    if (needsQuotes || (out.size() > start && (out.at(start) == ' ' || out.back() == ' '))) {
        out.insert(start, '"');
        out += '"';
    }
}

bool readDevice(QIODevice &device, QSettings::SettingsMap &map)
{
    map = SettingsFormat::parse(device.readAll());
    return true;
}

bool writeDevice(QIODevice &device, const QSettings::SettingsMap &map)
{
    const QByteArray bytes = SettingsFormat::text(map);
    return device.write(bytes) == bytes.size();
}

} // namespace

QSettings::Format SettingsFormat::format()
{
    static const QSettings::Format registered
        = QSettings::registerFormat(QStringLiteral("ini"), readDevice, writeDevice, Qt::CaseSensitive);
    return registered;
}

QSettings::SettingsMap SettingsFormat::parse(QByteArrayView text)
{
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    QSettings::SettingsMap values;
    QString section; // with its "/", empty for [General]
    qsizetype pos = 0;
    qsizetype lineStart = 0;
    qsizetype lineLength = 0;
    qsizetype equals = -1;
    while (nextLine(text, pos, lineStart, lineLength, equals)) {
        const QByteArrayView line = text.sliced(lineStart, lineLength);
        if (line.startsWith('[')) {
            qsizetype close = line.indexOf(']');
            if (close < 0)
                close = line.size();
            const QByteArrayView name = line.first(close).sliced(1).trimmed();
            if (name.compare("general", Qt::CaseInsensitive) == 0)
                section.clear();
            else if (name.compare("%general", Qt::CaseInsensitive) == 0)
                section = QString::fromLatin1(name.sliced(1)) + QLatin1Char('/');
            else
                section = unescapedName(name) + QLatin1Char('/');
            continue;
        }
        if (equals < 0)
            continue;
        const qsizetype at = equals - lineStart;
        const QString key = section + unescapedName(line.first(at).trimmed());
        // QSettings looks keys up without empty parts ("a//b", "/a", "a/"): a key with one can never be read.
        if (key.startsWith(QLatin1Char('/')) || key.endsWith(QLatin1Char('/')) || key.contains(QLatin1String("//")))
            continue;
        bool isList = false;
        const QString value = unescapedValue(line.sliced(at + 1), &isList);
        const std::optional<QString> textValue = isList ? std::optional<QString>(QString()) : valueText(value);
        values.insert(key, textValue ? QVariant(*textValue) : QVariant());
    }
    return values;
}

QByteArray SettingsFormat::text(const QSettings::SettingsMap &values)
{
    // Keys without a section first, under [General]; then one section after the other, as the map orders them.
    QByteArray out;
    QString current;
    bool first = true;
    const auto writeSection = [&](const QString &section) {
        if (!first)
            out += '\n';
        first = false;
        if (section.isEmpty()) {
            out += "[General]\n";
        } else if (section.compare(QLatin1String("general"), Qt::CaseInsensitive) == 0) {
            out += "[%" + section.toLatin1() + "]\n";
        } else {
            out += '[';
            appendEscapedName(out, section);
            out += "]\n";
        }
        current = section;
    };
    const auto writeValue = [&out](QStringView key, const QVariant &value) {
        appendEscapedName(out, key);
        out += '=';
        if (!value.isValid()) {
            out += "@Invalid()";
        } else {
            const QString text = value.toString();
            appendEscapedValue(out, text.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + text : text);
        }
        out += '\n';
    };
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (it.key().contains(QLatin1Char('/')))
            continue;
        if (first)
            writeSection({});
        writeValue(it.key(), it.value());
    }
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const qsizetype slash = it.key().indexOf(QLatin1Char('/'));
        if (slash < 0)
            continue;
        const QString section = it.key().left(slash);
        if (first || section != current)
            writeSection(section);
        writeValue(QStringView(it.key()).sliced(slash + 1), it.value());
    }
    return out;
}

} // namespace quillet
